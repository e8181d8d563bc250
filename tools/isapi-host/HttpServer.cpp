#include "HttpServer.h"

#include <objbase.h>

#include "HttpConnection.h"

namespace {

// Script engines run on the workers' stacks.
constexpr unsigned kWorkerStackBytes = 1 << 20;

// How long an idle worker waits for a connection before it looks at stopping_ again.
constexpr unsigned kAcceptSliceMs = 200;

struct WorkerStart {
  HttpServer* server;
  unsigned index;
};

}  // namespace

HttpServer::HttpServer(HostOptions options, ConnectionLimits limits) : options_(std::move(options)), limits_(limits) {
  InitializeCriticalSection(&workersLock_);
  InitializeCriticalSection(&acceptLock_);
  apps_.push_back({"/", options_.root});
  for (const Application& app : options_.apps) apps_.push_back(app);
}

HttpServer::~HttpServer() {
  Stop(5000);
  // The workers use this object to their last instruction: wait for requests still
  // running past the grace (every receive and send of theirs has a time-out).
  for (Worker& worker : workers_) {
    if (!worker.thread) continue;
    WaitForSingleObject(worker.thread, INFINITE);
    CloseHandle(worker.thread);
    worker.thread = nullptr;
  }
  if (listener_ != kNoSocket) Sockets::Close(listener_);
  if (token_) CloseHandle(token_);
  if (sockets_) Sockets::Cleanup();
  DeleteCriticalSection(&acceptLock_);
  DeleteCriticalSection(&workersLock_);
}

bool HttpServer::Start(std::string* error) {
  if (!log_.Open(options_.accessLog)) {
    *error = "cannot open access log " + options_.accessLog;
    return false;
  }
  if (!options_.extension.empty() && !extension_.Load(options_.extension, error)) return false;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, &token_);

  if (!Sockets::Startup(error)) return false;
  sockets_ = true;
  // Workers wait for connections in slices and look at the stop flag between them, so
  // stopping needs no wake-up connections; the listener itself never blocks.
  listener_ = Sockets::Listen(options_.bind, options_.port, &port_, error);
  if (listener_ == kNoSocket) return false;

  workers_.resize(options_.threads);
  for (unsigned i = 0; i < options_.threads; ++i) {
    auto* start = new WorkerStart{this, i};
    HANDLE thread = CreateThread(nullptr, kWorkerStackBytes, WorkerMain, start, 0, nullptr);
    if (!thread) {
      delete start;
      *error = "cannot start worker threads";
      Stop(0);
      return false;
    }
    workers_[i].thread = thread;
  }
  return true;
}

void HttpServer::Stop(DWORD graceMs) {
  if (stopping_.exchange(true)) return;
  // Idle workers leave their accept wait within one slice; idle keep-alive connections
  // are shut down so their workers leave the receive at once.
  EnterCriticalSection(&workersLock_);
  for (Worker& worker : workers_)
    if (worker.socket != kNoSocket && !worker.busy) Sockets::ShutdownBoth(worker.socket);
  LeaveCriticalSection(&workersLock_);
  ULONGLONG deadline = GetTickCount64() + graceMs;
  for (Worker& worker : workers_) {
    if (!worker.thread) continue;
    ULONGLONG now = GetTickCount64();
    WaitForSingleObject(worker.thread, now < deadline ? static_cast<DWORD>(deadline - now) : 0);
  }
  for (Worker& worker : workers_) {
    if (worker.thread && WaitForSingleObject(worker.thread, 0) == WAIT_OBJECT_0) {
      CloseHandle(worker.thread);
      worker.thread = nullptr;
    }
  }
  // Closed only when no worker waits on it any more: connections still in the backlog
  // are refused, and no worker is left holding a handle that may be reused.
  bool workersLeft = false;
  for (const Worker& worker : workers_) workersLeft = workersLeft || worker.thread;
  if (!workersLeft && listener_ != kNoSocket) {
    Sockets::Close(listener_);
    listener_ = kNoSocket;
  }
}

void HttpServer::SetWorkerSocket(unsigned worker, SocketId socket) {
  EnterCriticalSection(&workersLock_);
  workers_[worker].socket = socket;
  workers_[worker].busy = false;
  LeaveCriticalSection(&workersLock_);
}

void HttpServer::SetWorkerBusy(unsigned worker, bool busy) {
  EnterCriticalSection(&workersLock_);
  workers_[worker].busy = busy;
  bool closeNow = !busy && stopping_ && workers_[worker].socket != kNoSocket;
  if (closeNow) Sockets::ShutdownBoth(workers_[worker].socket);
  LeaveCriticalSection(&workersLock_);
}

DWORD WINAPI HttpServer::WorkerMain(void* argument) {
  WorkerStart start = *static_cast<WorkerStart*>(argument);
  delete static_cast<WorkerStart*>(argument);
  start.server->RunWorker(start.index);
  return 0;
}

SocketId HttpServer::AcceptNext(SocketEndpoint* peer) {
  // One idle worker at a time waits on the listener, so a connection wakes one thread.
  EnterCriticalSection(&acceptLock_);
  SocketId client = stopping_ ? kNoSocket : Sockets::Accept(listener_, kAcceptSliceMs, peer);
  LeaveCriticalSection(&acceptLock_);
  return client;
}

// Closing a socket with unread bytes from the client (a body the server did not read)
// resets the connection, and a reset can overtake the response still on its way: the
// client would see nothing. So the sending side is shut first, and what the client still
// sends is read and dropped until it closes too, for kLingerMs at most.
void HttpServer::CloseLingering(SocketId socket) {
  Sockets::ShutdownSend(socket);
  Sockets::SetReceiveTimeout(socket, kLingerSliceMs);
  char scratch[16384];
  size_t got = 0;
  const ULONGLONG deadline = GetTickCount64() + kLingerMs;
  while (GetTickCount64() < deadline &&
         Sockets::Receive(socket, scratch, sizeof scratch, &got) == Sockets::ReceiveResult::kData) {
  }
  Sockets::Close(socket);
}

void HttpServer::RunWorker(unsigned index) {
  HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  while (!stopping_) {
    SocketEndpoint peer;
    SocketId client = AcceptNext(&peer);
    if (client == kNoSocket) continue;
    if (stopping_) {
      Sockets::Close(client);
      break;
    }
    SetWorkerSocket(index, client);
    {
      HttpConnection connection(*this, index, client, peer);
      connection.Serve();
    }
    SetWorkerSocket(index, kNoSocket);
    CloseLingering(client);
  }
  if (SUCCEEDED(com)) CoUninitialize();
}
