#include "HttpServer.h"

#include <objbase.h>
#include <process.h>
#include <ws2tcpip.h>

#include "HttpConnection.h"

namespace {

// Script engines run on the workers' stacks.
constexpr unsigned kWorkerStackBytes = 1 << 20;

struct WorkerStart {
  HttpServer* server;
  unsigned index;
};

}  // namespace

HttpServer::HttpServer(HostOptions options, ConnectionLimits limits)
    : options_(std::move(options)), limits_(limits) {
  InitializeCriticalSection(&workersLock_);
  apps_.push_back({"/", options_.root});
  for (const Application& app : options_.apps) apps_.push_back(app);
}

HttpServer::~HttpServer() {
  Stop(5000);
  if (token_) CloseHandle(token_);
  if (winsock_) WSACleanup();
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
    *error = "cannot listen on " + options_.bind + ":" + std::to_string(options_.port) + " (error " +
             std::to_string(WSAGetLastError()) + ")";
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return false;
  }
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
  if (listener_ != INVALID_SOCKET) {
    // Wake every worker blocked in accept: one connection each, then close the listener.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port_));
    inet_pton(AF_INET, options_.bind == "0.0.0.0" ? "127.0.0.1" : options_.bind.c_str(), &address.sin_addr);
    std::vector<SOCKET> wakers;
    for (size_t i = 0; i < workers_.size(); ++i) {
      SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
      if (s == INVALID_SOCKET) break;
      u_long nonBlocking = 1;
      ioctlsocket(s, FIONBIO, &nonBlocking);
      connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
      wakers.push_back(s);
    }
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
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
    for (SOCKET s : wakers) closesocket(s);
  }
  for (Worker& worker : workers_) {
    if (worker.thread && WaitForSingleObject(worker.thread, 0) == WAIT_OBJECT_0) {
      CloseHandle(worker.thread);
      worker.thread = nullptr;
    }
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

void HttpServer::RunWorker(unsigned index) {
  HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  while (!stopping_) {
    sockaddr_in peer{};
    int peerLength = sizeof peer;
    SOCKET client = accept(listener_, reinterpret_cast<sockaddr*>(&peer), &peerLength);
    if (client == INVALID_SOCKET) {
      if (stopping_) break;
      Sleep(10);  // out of resources: do not spin
      continue;
    }
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
    closesocket(client);
  }
  if (SUCCEEDED(com)) CoUninitialize();
}
