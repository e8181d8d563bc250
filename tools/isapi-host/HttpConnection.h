// HttpConnection: serves the requests of one client connection in order (keep-alive,
// pipelining) as long as they are there: a next request that does not follow at once is
// left to the connection loop to wait for. Ends when either side closes, a request is
// malformed, or the server stops.
#pragma once

#include <windows.h>

#include <string>

#include "HttpRequestHead.h"
#include "SocketStream.h"
#include "WorkerPool.h"

class HttpServer;
class ResponseSink;
struct MappedUrl;

// The body of one request as the handlers see it: the bytes already in memory
// (received with the head, or a whole decoded chunked body) and those still to be
// received from the socket.
struct RequestBody {
  std::string decoded;      // a chunked body, decoded
  std::string_view memory;  // body bytes in memory
  size_t memoryRead = 0;    // of memory, bytes handed out
  uint64_t onSocket = 0;    // body bytes not yet received
  uint64_t total = 0;
};

class HttpConnection {
 public:
  // How long a worker waits for the next request on a connection it just answered
  // before it hands the connection back to the loop.
  static constexpr unsigned kNextRequestWaitMs = 2;

  // The job's connection starts with a complete request head.
  HttpConnection(HttpServer& server, WorkerPool::Job& job);
  // True when the connection may carry further requests; the bytes received for them
  // are back in the job.
  bool Serve();

  // Reads the next body bytes for a handler: count, 0 at the end, -1 when the
  // connection failed.
  int ReadBody(RequestBody& body, char* buffer, int length);

  const std::string& peerAddress() const { return peerAddress_; }
  unsigned peerPort() const { return peerPort_; }
  const std::string& localAddress() const { return localAddress_; }

 private:
  enum class Next { kContinue, kClose };
  // Parses the next head, receiving more only when it follows at once.
  HeadParseResult NextHead(HttpRequestHead* head, bool mayWait);
  Next Handle(const HttpRequestHead& head, size_t headLength);
  // Prepares the body (100-continue, chunked decoding, preloading); 0 or an error status.
  int PrepareBody(const HttpRequestHead& head, bool preload, RequestBody* body);
  // Skips what the handler left of the body; false when the connection must close.
  bool FinishBody(RequestBody& body);
  void ServeStatic(const HttpRequestHead& head, const MappedUrl& url, const WIN32_FILE_ATTRIBUTE_DATA& attributes,
                   ResponseSink& sink);

  HttpServer& server_;
  WorkerPool::Job& job_;
  SocketStream stream_;
  std::string peerAddress_;
  unsigned peerPort_ = 0;
  std::string localAddress_;
};
