// HttpServer: the listening socket and its connection loop, the workers that serve
// complete requests, the loaded extension and what the workers share (applications,
// file cache, access log).
//
// It runs in one of three ways:
// - in process: the loop and a pool of worker threads in this process (the Windows
//   program, or --in-process);
// - supervisor: the loop here, the extension in a worker process started and watched by
//   WorkerSupervisor, so that a crash of an extension cannot take the server down (the
//   Winelib program by default);
// - worker: the pool of a worker process, fed over WorkerChannel (--worker-channel).
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "AccessLog.h"
#include "ConnectionLoop.h"
#include "HostOptions.h"
#include "IsapiExtension.h"
#include "Sockets.h"
#include "StaticFileCache.h"
#include "UrlMapping.h"
#include "WorkerChannel.h"
#include "WorkerPool.h"
#include "WorkerSupervisor.h"

// Body bytes handed to an extension with the control block.
constexpr DWORD kPreloadBytes = 48 * 1024;

class SocketStream;

class HttpServer {
 public:
  enum class Mode { kInProcess, kSupervisor, kWorker };

  HttpServer(HostOptions options, ConnectionLimits limits = {});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Loads the extension (or starts the worker process), listens and starts serving.
  bool Start(std::string* error);
  // Stops accepting, closes idle connections, lets running requests finish and waits
  // up to graceMs for them. The destructor waits for every worker.
  void Stop(DWORD graceMs);

  Mode mode() const { return mode_; }
  unsigned port() const { return port_; }
  const HostOptions& options() const { return options_; }
  const ConnectionLimits& limits() const { return limits_; }
  const std::vector<Application>& apps() const { return apps_; }
  const IsapiExtension& extension() const { return extension_; }
  StaticFileCache& files() { return files_; }
  AccessLog& log() { return log_; }
  HANDLE impersonationToken() const { return token_; }
  bool stopping() const { return stopping_; }

  // A worker is about to answer the next request of the job in slot on stream.
  void BeginResponse(unsigned slot, SocketStream& stream);
  // A worker waits for the next request with nothing of it read (idle), or reads it.
  void NoteIdle(unsigned slot, bool idle);

 private:
  static DWORD WINAPI ReceiveMain(void* self);
  // Worker: takes connections from the channel until the server's end closes.
  void ReceiveRequests();

  HostOptions options_;
  ConnectionLimits limits_;
  Mode mode_ = Mode::kInProcess;
  std::vector<Application> apps_;
  IsapiExtension extension_;
  StaticFileCache files_;
  AccessLog log_;
  HANDLE token_ = nullptr;
  unsigned port_ = 0;
  std::atomic<bool> stopping_{false};
  bool sockets_ = false;
  std::unique_ptr<WorkerChannel> channel_;  // worker
  std::unique_ptr<ConnectionLoop> loop_;
  std::unique_ptr<WorkerSupervisor> supervisor_;
  std::unique_ptr<WorkerPool> pool_;
  HANDLE receiver_ = nullptr;
};
