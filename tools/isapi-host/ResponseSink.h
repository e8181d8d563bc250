// ResponseSink: writes one response to the connection and frames its body. The server's
// own answers go out whole; an extension's head and body are gathered up to
// kResponseBufferBytes, so a small response leaves in one send with a Content-Length.
// A larger one without a length goes out chunked on a keep-alive HTTP/1.1 connection,
// otherwise the connection closes after it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ResponseHead.h"
#include "SocketStream.h"

class ResponseSink {
 public:
  static constexpr size_t kResponseBufferBytes = 16384;

  // headRequest: the body is counted but not sent. keepAlive: the client wants the
  // connection kept and the server agrees.
  ResponseSink(SocketStream& stream, bool headRequest, bool keepAlive, bool http11);

  // A complete response made by the server itself.
  bool SendComplete(std::string_view status, int statusCode, std::string_view fields, std::string_view body);
  // A short HTML page for status; closes the connection when close is set.
  bool SendError(int status, bool close, std::string_view extraFields = {});

  // The extension's head; false when one was given already.
  bool SetExtensionHead(ExtensionHead head);
  // Body bytes from the extension; the default head goes first when it gave none.
  bool Write(std::string_view data);
  // Ends the extension's response: sends what is left and ends the framing.
  bool Finish();

  bool started() const { return committed_ || headSet_; }
  bool committed() const { return committed_; }
  int status() const { return statusCode_; }
  uint64_t bodyBytes() const { return bodyBytes_; }
  // Whether the connection may carry another request after this response.
  bool keepAlive() const { return keepAlive_ && !close_ && !stream_.failed(); }
  void ForceClose() { close_ = true; }

 private:
  enum class Framing { kLength, kChunked, kUntilClose, kExtension };
  bool Commit(bool final);
  bool SendBody(std::string_view data, bool final);

  SocketStream& stream_;
  bool headRequest_;
  bool keepAlive_;
  bool http11_;
  bool close_ = false;
  bool headSet_ = false;
  bool committed_ = false;
  bool finished_ = false;
  ExtensionHead head_;
  Framing framing_ = Framing::kLength;
  std::string pending_;
  uint64_t headBodyCount_ = 0;  // HEAD: body bytes counted, not kept
  int statusCode_ = 0;
  uint64_t bodyBytes_ = 0;
};

// The current time as an HTTP date, formatted at most once a second per thread.
std::string_view CurrentHttpDate();
