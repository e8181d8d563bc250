#include "ConnectionLoop.h"

#include "HttpRequestHead.h"
#include "ResponseSink.h"

namespace {

// The loop looks at its deadlines at least this often.
constexpr unsigned kTickMs = 100;
// Connections taken from the listener in one turn, so reading is not starved.
constexpr unsigned kAcceptsPerTurn = 64;

}  // namespace

ConnectionLoop::ConnectionLoop(const ConnectionLimits& limits, AccessLog& log, Dispatch dispatch)
    : limits_(limits), log_(log), dispatch_(std::move(dispatch)) {
  InitializeCriticalSection(&returnedLock_);
}

ConnectionLoop::~ConnectionLoop() {
  Stop();
  for (Returned& item : returned_) Sockets::Close(item.connection.socket);
  if (listener_ != kNoSocket) Sockets::Close(listener_);
  if (waker_ != kNoSocket) Sockets::Close(waker_);
  DeleteCriticalSection(&returnedLock_);
}

bool ConnectionLoop::Listen(const std::string& address, unsigned port, unsigned* boundPort, std::string* error) {
  waker_ = Sockets::CreateWaker(error);
  if (waker_ == kNoSocket) return false;
  listener_ = Sockets::Listen(address, port, boundPort, error);
  return listener_ != kNoSocket;
}

bool ConnectionLoop::Start(std::string* error) {
  thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
  if (!thread_) {
    *error = "cannot start the connection thread";
    return false;
  }
  return true;
}

void ConnectionLoop::Stop() {
  if (!thread_) return;
  InterlockedExchange(&stopping_, 1);
  Sockets::Wake(waker_);
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

void ConnectionLoop::Return(ReadyConnection&& connection, bool keepAlive) {
  Enqueue({std::move(connection), keepAlive, 0, {}, {}});
}

void ConnectionLoop::ReturnWithError(ReadyConnection&& connection, int status, std::string requestLine,
                                     std::string note) {
  Enqueue({std::move(connection), false, status, std::move(requestLine), std::move(note)});
}

void ConnectionLoop::Enqueue(Returned&& item) {
  EnterCriticalSection(&returnedLock_);
  bool stopped = stopped_;
  SocketId socket = item.connection.socket;
  if (!stopped) returned_.push_back(std::move(item));
  LeaveCriticalSection(&returnedLock_);
  if (!stopped) {
    Sockets::Wake(waker_);
    return;
  }
  // The loop has ended: this thread closes the connection itself.
  Sockets::ShutdownSend(socket);
  Sockets::Close(socket);
}

DWORD WINAPI ConnectionLoop::ThreadMain(void* self) {
  static_cast<ConnectionLoop*>(self)->Run();
  return 0;
}

void ConnectionLoop::Run() {
  std::vector<Sockets::PollEntry> polled;
  while (!stopping_) {
    ULONGLONG now = GetTickCount64();
    TakeReturned(now);
    polled.clear();
    polled.push_back({waker_});
    polled.push_back({listener_});
    for (const Entry& entry : entries_) polled.push_back({entry.connection.socket});
    int ready = Sockets::Poll(polled.data(), polled.size(), kTickMs);
    if (stopping_) break;
    now = GetTickCount64();
    // Entries are visited by index below; accepting may add to (and move) the table.
    if (ready < 0) {
      Sleep(10);  // out of resources: do not spin
      continue;
    }
    if (polled[0].readable) Sockets::DrainWaker(waker_);
    // Entries are visited by index: handing one on or closing it swaps the last one in,
    // and the entries accepted in this turn (past `watched`) were not polled.
    size_t watched = entries_.size();
    if (polled[1].readable) AcceptAll(now);
    for (size_t i = watched; i-- > 0;) {
      if (!polled[i + 2].readable) continue;
      ReadFrom(entries_[i], now);
    }
    // Forgotten entries are marked by their socket; sweep them out in one pass.
    CheckDeadlines(now);
  }
  // Stopping: nothing waits any more.
  EnterCriticalSection(&returnedLock_);
  stopped_ = true;
  LeaveCriticalSection(&returnedLock_);
  TakeReturned(GetTickCount64());
  for (Entry& entry : entries_) {
    Sockets::ShutdownBoth(entry.connection.socket);
    Sockets::Close(entry.connection.socket);
  }
  entries_.clear();
  Sockets::Close(listener_);
  listener_ = kNoSocket;
}

void ConnectionLoop::TakeReturned(ULONGLONG now) {
  std::deque<Returned> taken;
  EnterCriticalSection(&returnedLock_);
  taken.swap(returned_);
  LeaveCriticalSection(&returnedLock_);
  for (Returned& item : taken) {
    entries_.push_back(Entry{std::move(item.connection)});
    Entry& entry = entries_.back();
    entry.lastActivity = now;
    if (item.errorStatus)
      AnswerAndClose(entry, item.errorStatus, now, item.requestLine, item.note);
    else if (!item.keepAlive || stopping_)
      BeginClose(entry, now);
    else if (!entry.connection.buffered.empty() && Advance(entry, now))
      entry.headStarted = now;
  }
  // Handed-on entries left an empty socket behind.
  std::erase_if(entries_, [](const Entry& entry) { return entry.connection.socket == kNoSocket; });
}

void ConnectionLoop::AcceptAll(ULONGLONG now) {
  for (unsigned n = 0; n < kAcceptsPerTurn; ++n) {
    SocketEndpoint peer;
    SocketId socket = Sockets::Accept(listener_, 0, &peer);
    if (socket == kNoSocket) return;
    Sockets::Configure(socket, limits_.receiveTimeoutMs, limits_.sendTimeoutMs);
    entries_.push_back(Entry{ReadyConnection{socket, peer, Sockets::LocalAddress(socket), {}}});
    Entry& entry = entries_.back();
    entry.lastActivity = now;
    unsigned& fromClient = perClient_[peer.address];
    if (total_ >= limits_.maxConnections || fromClient >= limits_.maxPerClient) {
      entry.counted = false;
      if (fromClient == 0) perClient_.erase(peer.address);
      AnswerAndClose(entry, 503, now);
      continue;
    }
    ++total_;
    ++fromClient;
  }
}

void ConnectionLoop::ReadFrom(Entry& entry, ULONGLONG now) {
  std::string& buffer = entry.connection.buffered;
  if (entry.phase == Phase::kClosing) {
    // What a closing client still sends is dropped, until it closes too.
    char scratch[16384];
    size_t got = 0;
    if (Sockets::ReceiveNow(entry.connection.socket, scratch, sizeof scratch, &got) != Sockets::ReceiveResult::kData)
      Forget(entry);
    return;
  }
  size_t used = buffer.size();
  buffer.resize(used + 16384);
  size_t got = 0;
  Sockets::ReceiveResult result = Sockets::ReceiveNow(entry.connection.socket, buffer.data() + used, 16384, &got);
  buffer.resize(used + (result == Sockets::ReceiveResult::kData ? got : 0));
  if (result == Sockets::ReceiveResult::kTimedOut) return;  // woken for nothing
  if (result != Sockets::ReceiveResult::kData) {
    // The client closed or reset: an idle connection just ends, so does a half head.
    Forget(entry);
    return;
  }
  entry.lastActivity = now;
  if (!entry.headStarted) entry.headStarted = now;
  Advance(entry, now);
}

bool ConnectionLoop::Advance(Entry& entry, ULONGLONG now) {
  std::string& buffer = entry.connection.buffered;
  HttpRequestHead head;
  HeadParseResult parsed = ParseRequestHead(buffer, &head);
  if (parsed.state == HeadParse::kError) {
    AnswerAndClose(entry, parsed.errorStatus, now);
    return false;
  }
  if (parsed.state == HeadParse::kIncomplete) return true;
  // A small body with a known length is waited for here; anything else (chunked,
  // large, or after "Expect: 100-continue") is the worker's to receive.
  BodyFraming framing = DetermineBodyFraming(head);
  if (framing.kind == BodyFraming::kLength && framing.length <= kBodyAheadBytes && !head.Find("Expect") &&
      buffer.size() - parsed.headLength < framing.length) {
    entry.phase = Phase::kBody;
    return true;
  }
  ReadyConnection ready = std::move(entry.connection);
  entry.connection.socket = kNoSocket;
  dispatch_(std::move(ready));
  return false;
}

void ConnectionLoop::AnswerError(SocketStream& stream, int status, std::string_view client, AccessLog& log,
                                 std::string_view requestLine, std::string_view note) {
  ResponseSink sink(stream, false, false, true);
  sink.SendError(status, true);
  AccessLogEntry logged;
  GetSystemTime(&logged.time);
  logged.client = client;
  logged.requestLine = requestLine.empty() ? "-" : requestLine;
  logged.status = status;
  logged.bytes = sink.bodyBytes();
  logged.extensionText = note;
  log.Write(logged);
}

void ConnectionLoop::AnswerAndClose(Entry& entry, int status, ULONGLONG now, std::string_view requestLine,
                                    std::string_view note) {
  SocketStream stream(entry.connection.socket);
  AnswerError(stream, status, entry.connection.peer.address, log_, requestLine, note);
  BeginClose(entry, now);
}

// Closing a socket with unread bytes from the client resets the connection, and a reset
// can overtake the response still on its way. So the sending side is shut first, and
// what the client still sends is dropped until it closes too, for kLingerMs at most.
void ConnectionLoop::BeginClose(Entry& entry, ULONGLONG now) {
  Sockets::ShutdownSend(entry.connection.socket);
  entry.connection.buffered.clear();
  entry.phase = Phase::kClosing;
  entry.closeBy = now + kLingerMs;
}

// The entry's socket is gone (closed here or handed on); its counts are given back.
void ConnectionLoop::Forget(Entry& entry) {
  if (entry.connection.socket != kNoSocket) Sockets::Close(entry.connection.socket);
  entry.connection.socket = kNoSocket;
  if (!entry.counted) return;
  entry.counted = false;
  --total_;
  auto client = perClient_.find(entry.connection.peer.address);
  if (client != perClient_.end() && --client->second == 0) perClient_.erase(client);
}

void ConnectionLoop::CheckDeadlines(ULONGLONG now) {
  for (Entry& entry : entries_) {
    if (entry.connection.socket == kNoSocket) continue;
    switch (entry.phase) {
      case Phase::kClosing:
        if (now >= entry.closeBy) Forget(entry);
        break;
      case Phase::kHead:
      case Phase::kBody:
        if (entry.connection.buffered.empty()) {
          // Idle between requests: closed quietly after the receive time-out.
          if (now - entry.lastActivity >= limits_.receiveTimeoutMs) Forget(entry);
        } else if (now - entry.headStarted >= limits_.headDeadlineMs ||
                   now - entry.lastActivity >= limits_.receiveTimeoutMs) {
          // A request that stalls half-sent is answered while the client may still listen.
          AnswerAndClose(entry, 408, now);
        }
        break;
    }
  }
  std::erase_if(entries_, [](const Entry& entry) { return entry.connection.socket == kNoSocket; });
}
