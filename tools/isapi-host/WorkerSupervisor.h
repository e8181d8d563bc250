// WorkerSupervisor: runs the extension in a worker process and keeps one running. The
// connection loop hands it requests; it passes them to the worker over the channel and
// gives the connections back to the loop when the worker is done with them. When the
// worker dies, each client whose response had not begun is answered 502 and the others
// are closed; a worker whose request runs past recycleAfterMs (a page the script checks
// cannot stop: a call into a component that never returns) is ended the same way. A new
// worker is started at once; requests arriving meanwhile wait for it.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "ConnectionLoop.h"
#include "WorkerChannel.h"

class AccessLog;

class WorkerSupervisor {
 public:
  // How long a new worker may take to start and connect.
  static constexpr unsigned kStartMs = 20000;

  WorkerSupervisor(AccessLog& log, unsigned slots, unsigned recycleAfterMs);
  ~WorkerSupervisor();
  WorkerSupervisor(const WorkerSupervisor&) = delete;
  WorkerSupervisor& operator=(const WorkerSupervisor&) = delete;

  // Starts the first worker with args and the thread that watches it.
  bool Start(ConnectionLoop& loop, std::vector<std::string> args, std::string* error);
  // A request for the worker (the loop's thread).
  void Dispatch(ReadyConnection&& connection);
  // Stops handing out requests, waits up to graceMs for those in flight, then ends
  // the worker.
  void Stop(DWORD graceMs);

 private:
  struct Slot {
    bool busy = false;
    ReadyConnection connection;  // its socket and peer; the bytes went to the worker
    std::string requestLine;     // for the log, should the worker die
    ULONGLONG since = 0;
  };
  static DWORD WINAPI ThreadMain(void* self);
  void Watch();
  // Hands waiting requests to free slots; under lock_.
  void SendWaiting();
  // Answers what the ended worker had in flight and starts another.
  void WorkerEnded();

  AccessLog& log_;
  ConnectionLoop* loop_ = nullptr;
  unsigned recycleAfterMs_;
  std::vector<std::string> args_;
  WorkerChannel channel_;
  CRITICAL_SECTION lock_;
  std::vector<Slot> slots_;
  std::vector<unsigned> free_;
  std::deque<ReadyConnection> waiting_;
  bool running_ = false;  // a worker is connected and takes requests
  bool stopping_ = false;
  std::string ended_;  // why the watcher ended the worker, when it did
  HANDLE thread_ = nullptr;
};
