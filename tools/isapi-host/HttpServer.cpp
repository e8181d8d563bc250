#include "HttpServer.h"

#include <objbase.h>
#include <process.h>
#include <ws2tcpip.h>

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

HttpServer::HttpServer(HostOptions options, ConnectionLimits limits)
    : options_(std::move(options)), limits_(limits) {
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
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  if (token_) CloseHandle(token_);
  if (winsock_) WSACleanup();
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

  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    *error = "WSAStartup failed";
    return false;
  }
  winsock_ = true;
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) {
    *error = "socket failed (" + std::to_string(WSAGetLastError()) + ")";
    return false;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(options_.port));
  inet_pton(AF_INET, options_.bind.c_str(), &address.sin_addr);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, SOMAXCONN) != 0) {
    const int code = WSAGetLastError();
    *error = code == WSAEADDRINUSE
                 ? "port " + std::to_string(options_.port) + " on " + options_.bind +
                       " is in use by another program: stop it, or choose another port with --port"
                 : "cannot listen on " + options_.bind + ":" + std::to_string(options_.port) + " (error " +
                       std::to_string(code) + ")";
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return false;
  }
  // Workers wait for connections in slices and look at the stop flag between them, so
  // stopping needs no wake-up connections; the listener itself never blocks.
  u_long nonBlocking = 1;
  ioctlsocket(listener_, FIONBIO, &nonBlocking);
  int length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);

  workers_.resize(options_.threads);
  for (unsigned i = 0; i < options_.threads; ++i) {
    auto* start = new WorkerStart{this, i};
    uintptr_t thread = _beginthreadex(nullptr, kWorkerStackBytes, WorkerMain, start, 0, nullptr);
    if (!thread) {
      delete start;
      *error = "cannot start worker threads";
      Stop(0);
      return false;
    }
    workers_[i].thread = reinterpret_cast<HANDLE>(thread);
  }
  return true;
}

void HttpServer::Stop(DWORD graceMs) {
  if (stopping_.exchange(true)) return;
  // Idle workers leave their accept wait within one slice; idle keep-alive connections
  // are shut down so their workers leave the receive at once.
  EnterCriticalSection(&workersLock_);
  for (Worker& worker : workers_)
    if (worker.socket != INVALID_SOCKET && !worker.busy) shutdown(worker.socket, SD_BOTH);
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
  if (!workersLeft && listener_ != INVALID_SOCKET) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
  }
}

void HttpServer::SetWorkerSocket(unsigned worker, SOCKET socket) {
  EnterCriticalSection(&workersLock_);
  workers_[worker].socket = socket;
  workers_[worker].busy = false;
  LeaveCriticalSection(&workersLock_);
}

void HttpServer::SetWorkerBusy(unsigned worker, bool busy) {
  EnterCriticalSection(&workersLock_);
  workers_[worker].busy = busy;
  bool closeNow = !busy && stopping_ && workers_[worker].socket != INVALID_SOCKET;
  if (closeNow) shutdown(workers_[worker].socket, SD_BOTH);
  LeaveCriticalSection(&workersLock_);
}

unsigned __stdcall HttpServer::WorkerMain(void* argument) {
  WorkerStart start = *static_cast<WorkerStart*>(argument);
  delete static_cast<WorkerStart*>(argument);
  start.server->RunWorker(start.index);
  return 0;
}

SOCKET HttpServer::AcceptNext(sockaddr_in* peer) {
  // One idle worker at a time waits on the listener, so a connection wakes one thread.
  EnterCriticalSection(&acceptLock_);
  SOCKET client = stopping_ ? INVALID_SOCKET : WaitAndAccept(peer);
  LeaveCriticalSection(&acceptLock_);
  return client;
}

SOCKET HttpServer::WaitAndAccept(sockaddr_in* peer) {
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(listener_, &ready);
  timeval slice{0, static_cast<long>(kAcceptSliceMs * 1000)};
  int count = select(0, &ready, nullptr, nullptr, &slice);
  if (count == 0) return INVALID_SOCKET;
  if (count < 0) {
    Sleep(10);  // out of resources: do not spin
    return INVALID_SOCKET;
  }
  int peerLength = sizeof *peer;
  SOCKET client = accept(listener_, reinterpret_cast<sockaddr*>(peer), &peerLength);
  if (client == INVALID_SOCKET) {
    // Gone before it was taken (WSAEWOULDBLOCK), or out of resources: do not spin.
    if (WSAGetLastError() != WSAEWOULDBLOCK) Sleep(10);
    return INVALID_SOCKET;
  }
  // The listener does not block; the connection does, with its time-outs.
  u_long nonBlocking = 0;
  ioctlsocket(client, FIONBIO, &nonBlocking);
  return client;
}

// Closing a socket with unread bytes from the client (a body the server did not read)
// resets the connection, and a reset can overtake the response still on its way: the
// client would see nothing. So the sending side is shut first, and what the client still
// sends is read and dropped until it closes too, for kLingerMs at most.
void HttpServer::CloseLingering(SOCKET socket) {
  shutdown(socket, SD_SEND);
  DWORD timeout = kLingerSliceMs;
  setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  char scratch[16384];
  const ULONGLONG deadline = GetTickCount64() + kLingerMs;
  while (GetTickCount64() < deadline && recv(socket, scratch, sizeof scratch, 0) > 0) {
  }
  closesocket(socket);
}

void HttpServer::RunWorker(unsigned index) {
  HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  while (!stopping_) {
    sockaddr_in peer{};
    SOCKET client = AcceptNext(&peer);
    if (client == INVALID_SOCKET) continue;
    if (stopping_) {
      closesocket(client);
      break;
    }
    SetWorkerSocket(index, client);
    {
      HttpConnection connection(*this, index, client, peer);
      connection.Serve();
    }
    SetWorkerSocket(index, INVALID_SOCKET);
    CloseLingering(client);
  }
  if (SUCCEEDED(com)) CoUninitialize();
}
