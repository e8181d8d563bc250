// HttpServer: the listening socket, a fixed pool of worker threads, the loaded
// extension and what the workers share (applications, file cache, access log). Each
// worker takes a connection from accept and serves it until it closes, so up to
// --threads connections are served at once and further ones wait in the listen
// backlog (an idle keep-alive connection holds its worker until its receive time-out).
// A worker is initialised for COM (multithreaded apartment) once, before it first
// calls the extension. Nothing per request creates a thread or a kernel object.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "AccessLog.h"
#include "HostOptions.h"
#include "IsapiExtension.h"
#include "Sockets.h"
#include "StaticFileCache.h"
#include "UrlMapping.h"

// Body bytes handed to an extension with the control block.
constexpr DWORD kPreloadBytes = 48 * 1024;

class HttpServer {
 public:
  HttpServer(HostOptions options, ConnectionLimits limits = {});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Loads the extension, listens and starts the workers.
  bool Start(std::string* error);
  // Stops accepting, closes idle connections, lets running requests finish and waits
  // up to graceMs for the workers. The destructor waits for every worker.
  void Stop(DWORD graceMs);

  unsigned port() const { return port_; }
  const HostOptions& options() const { return options_; }
  const ConnectionLimits& limits() const { return limits_; }
  const std::vector<Application>& apps() const { return apps_; }
  const IsapiExtension& extension() const { return extension_; }
  StaticFileCache& files() { return files_; }
  AccessLog& log() { return log_; }
  HANDLE impersonationToken() const { return token_; }
  bool stopping() const { return stopping_; }

  // Workers mark the connection they serve, so Stop can close the idle ones.
  void SetWorkerSocket(unsigned worker, SocketId socket);
  void SetWorkerBusy(unsigned worker, bool busy);

 private:
  struct Worker {
    HANDLE thread = nullptr;
    SocketId socket = kNoSocket;
    bool busy = false;
  };
  static DWORD WINAPI WorkerMain(void* argument);
  // How long a closing connection may still send before it is reset anyway.
  static constexpr DWORD kLingerMs = 2000;
  static constexpr DWORD kLingerSliceMs = 250;
  static void CloseLingering(SocketId socket);
  void RunWorker(unsigned index);
  // The next connection, or kNoSocket when none came within one wait slice.
  SocketId AcceptNext(SocketEndpoint* peer);

  HostOptions options_;
  ConnectionLimits limits_;
  std::vector<Application> apps_;
  IsapiExtension extension_;
  StaticFileCache files_;
  AccessLog log_;
  HANDLE token_ = nullptr;
  SocketId listener_ = kNoSocket;
  unsigned port_ = 0;
  std::atomic<bool> stopping_{false};
  bool sockets_ = false;
  CRITICAL_SECTION workersLock_;
  CRITICAL_SECTION acceptLock_;  // held by the one worker waiting on the listener
  std::vector<Worker> workers_;
};
