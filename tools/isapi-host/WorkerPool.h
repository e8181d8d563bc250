// WorkerPool: the threads that serve requests. Each takes a connection whose request
// is complete from the queue, serves it (and what follows on the same connection
// without waiting), and hands the connection on through the finished callback. A worker
// is initialised for COM (multithreaded apartment) once, before it first calls the
// extension. Nothing per request creates a thread or a kernel object.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <vector>

#include "ConnectionLoop.h"

class HttpServer;

class WorkerPool {
 public:
  struct Job {
    ReadyConnection connection;
    unsigned slot = 0;  // the caller's mark, given back with the job
  };
  using Finished = std::function<void(Job&&, bool keepAlive)>;

  WorkerPool(HttpServer& server, Finished finished);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  bool Start(unsigned threads, std::string* error);
  void Submit(Job&& job);
  // Takes no more jobs (queued ones are closed) and waits up to graceMs for running
  // ones; the destructor waits for every thread.
  void Stop(DWORD graceMs);

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Run();

  HttpServer& server_;
  Finished finished_;
  SRWLOCK lock_ = SRWLOCK_INIT;
  CONDITION_VARIABLE wake_ = CONDITION_VARIABLE_INIT;
  std::deque<Job> queue_;
  bool stopping_ = false;
  std::vector<HANDLE> threads_;
};
