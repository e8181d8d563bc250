// ConnectionLoop: one thread that owns the listening socket and every connection that
// is not being served: it accepts, reads request heads (and small bodies) as they
// trickle in, and hands a connection to the workers only once a whole request is
// there. A slow or idle client so holds no worker. Connections come back after their
// response, to wait for their next request or to be closed.
//
// Limits: connections in total and per client address (503 beyond them), the head's
// deadline and an idle connection's time-out (ConnectionLimits).
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "AccessLog.h"
#include "HostOptions.h"
#include "SocketStream.h"
#include "Sockets.h"

// A connection with at least one complete request head at the start of buffered.
struct ReadyConnection {
  SocketId socket = kNoSocket;
  SocketEndpoint peer;
  std::string local;     // the server's address on this connection
  std::string buffered;  // received, not yet consumed
};

class ConnectionLoop {
 public:
  // Bodies up to this size with a known length are received before the request is
  // handed on, so a slowly sent form holds no worker either.
  static constexpr size_t kBodyAheadBytes = 48 * 1024;
  // How long a closing connection may still send before it is reset anyway.
  static constexpr unsigned kLingerMs = 2000;

  using Dispatch = std::function<void(ReadyConnection&&)>;
  ConnectionLoop(const ConnectionLimits& limits, AccessLog& log, Dispatch dispatch);
  ~ConnectionLoop();
  ConnectionLoop(const ConnectionLoop&) = delete;
  ConnectionLoop& operator=(const ConnectionLoop&) = delete;

  // Listens on address:port (0: any free port, told in *boundPort).
  bool Listen(const std::string& address, unsigned port, unsigned* boundPort, std::string* error);
  // Starts the loop's thread.
  bool Start(std::string* error);
  // Stops accepting and closes the waiting connections; returned ones are closed from
  // then on. Waits for the loop's thread.
  void Stop();

  // A connection back from a worker (any thread): kept for its next request, or closed.
  void Return(ReadyConnection&& connection, bool keepAlive);
  // Sends a short error page on a connection that came back and closes it; the access
  // log names the request line and the note when given.
  void ReturnWithError(ReadyConnection&& connection, int status, std::string requestLine, std::string note);

  // A short error page for status, closing the connection, and its access log line.
  static void AnswerError(SocketStream& stream, int status, std::string_view client, AccessLog& log,
                          std::string_view requestLine = {}, std::string_view note = {});

 private:
  enum class Phase { kHead, kBody, kClosing };
  struct Entry {
    ReadyConnection connection;
    Phase phase = Phase::kHead;
    ULONGLONG headStarted = 0;  // first byte of the pending head, 0 while idle
    ULONGLONG lastActivity = 0;
    ULONGLONG closeBy = 0;  // kClosing: reset after this
    bool counted = true;    // counts against the limits
  };
  static DWORD WINAPI ThreadMain(void* self);
  void Run();
  void AcceptAll(ULONGLONG now);
  // After bytes arrived or a connection came back: hands it on, answers it or keeps it.
  // False when the entry left the table's care (handed on).
  bool Advance(Entry& entry, ULONGLONG now);
  void ReadFrom(Entry& entry, ULONGLONG now);
  void AnswerAndClose(Entry& entry, int status, ULONGLONG now, std::string_view requestLine = {},
                      std::string_view note = {});
  void BeginClose(Entry& entry, ULONGLONG now);
  void Forget(Entry& entry);
  void TakeReturned(ULONGLONG now);
  void CheckDeadlines(ULONGLONG now);
  struct Returned;
  // Hands a connection to the loop's thread, or closes it once the loop has ended.
  void Enqueue(Returned&& item);

  ConnectionLimits limits_;
  AccessLog& log_;
  Dispatch dispatch_;
  SocketId listener_ = kNoSocket;
  SocketId waker_ = kNoSocket;
  HANDLE thread_ = nullptr;
  volatile LONG stopping_ = 0;
  std::vector<Entry> entries_;
  unsigned total_ = 0;
  std::unordered_map<std::string, unsigned> perClient_;
  CRITICAL_SECTION returnedLock_;
  struct Returned {
    ReadyConnection connection;
    bool keepAlive;
    int errorStatus;
    std::string requestLine, note;
  };
  std::deque<Returned> returned_;
  bool stopped_ = false;  // under returnedLock_: the thread has ended
};
