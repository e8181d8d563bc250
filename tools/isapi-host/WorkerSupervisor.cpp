#include "WorkerSupervisor.h"

#include <cstdio>

#include "AccessLog.h"

namespace {

// How often the watcher looks at the requests' running times.
constexpr unsigned kWatchSliceMs = 100;
// A failed start is tried again after this.
constexpr DWORD kRestartPauseMs = 500;
constexpr size_t kMaxLoggedLine = 512;

std::string FirstLine(std::string_view bytes) {
  size_t end = bytes.find_first_of("\r\n");
  return std::string(bytes.substr(0, std::min(end, kMaxLoggedLine)));
}

}  // namespace

WorkerSupervisor::WorkerSupervisor(AccessLog& log, unsigned slots, unsigned recycleAfterMs)
    : log_(log), recycleAfterMs_(recycleAfterMs), slots_(slots) {
  InitializeCriticalSection(&lock_);
  for (unsigned slot = slots; slot-- > 0;) free_.push_back(slot);
}

WorkerSupervisor::~WorkerSupervisor() {
  Stop(0);
  DeleteCriticalSection(&lock_);
}

bool WorkerSupervisor::Start(ConnectionLoop& loop, std::vector<std::string> args, std::string* error) {
  loop_ = &loop;
  args_ = std::move(args);
  if (!channel_.Spawn(args_, static_cast<unsigned>(slots_.size()), kStartMs, error)) return false;
  running_ = true;
  thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
  if (!thread_) {
    *error = "cannot start the thread that watches the worker";
    channel_.Kill();
    channel_.Reap();
    return false;
  }
  return true;
}

void WorkerSupervisor::Dispatch(ReadyConnection&& connection) {
  EnterCriticalSection(&lock_);
  bool refused = stopping_;
  if (!refused) {
    waiting_.push_back(std::move(connection));
    if (running_) SendWaiting();
  }
  LeaveCriticalSection(&lock_);
  if (refused) loop_->ReturnWithError(std::move(connection), 503, {}, {});
}

void WorkerSupervisor::SendWaiting() {
  while (!waiting_.empty() && !free_.empty()) {
    unsigned index = free_.back();
    ReadyConnection& next = waiting_.front();
    channel_.ClearResponseBegun(index);
    // A full channel is tried again when the worker reports back.
    if (!channel_.SendRequest(index, next.socket, next.peer, next.local, next.buffered)) return;
    free_.pop_back();
    Slot& slot = slots_[index];
    slot.busy = true;
    slot.requestLine = FirstLine(next.buffered);
    slot.since = GetTickCount64();
    next.buffered.clear();
    slot.connection = std::move(next);
    waiting_.pop_front();
  }
}

void WorkerSupervisor::Stop(DWORD graceMs) {
  if (!thread_) return;
  std::deque<ReadyConnection> refused;
  EnterCriticalSection(&lock_);
  stopping_ = true;
  refused.swap(waiting_);
  LeaveCriticalSection(&lock_);
  for (ReadyConnection& connection : refused) loop_->ReturnWithError(std::move(connection), 503, {}, {});
  // Requests in flight may finish within the grace; the worker is ended after it.
  const ULONGLONG deadline = GetTickCount64() + graceMs;
  for (;;) {
    EnterCriticalSection(&lock_);
    bool idle = free_.size() == slots_.size();
    LeaveCriticalSection(&lock_);
    if (idle || GetTickCount64() >= deadline) break;
    Sleep(20);
  }
  channel_.Kill();
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

DWORD WINAPI WorkerSupervisor::ThreadMain(void* self) {
  static_cast<WorkerSupervisor*>(self)->Watch();
  return 0;
}

void WorkerSupervisor::Watch() {
  for (;;) {
    WorkerChannel::Message message = channel_.Receive(kWatchSliceMs);
    switch (message.kind) {
      case WorkerChannel::Kind::kDone: {
        EnterCriticalSection(&lock_);
        Slot& slot = slots_[message.slot];
        ReadyConnection connection;
        bool known = slot.busy;
        if (known) {
          slot.busy = false;
          connection = std::move(slot.connection);
          connection.buffered = std::move(message.bytes);
          free_.push_back(message.slot);
          SendWaiting();
        }
        LeaveCriticalSection(&lock_);
        if (known) loop_->Return(std::move(connection), message.keepAlive);
        break;
      }
      case WorkerChannel::Kind::kLog: log_.WriteLine(message.bytes); break;
      case WorkerChannel::Kind::kEnded: {
        WorkerEnded();
        EnterCriticalSection(&lock_);
        bool stopping = stopping_;
        LeaveCriticalSection(&lock_);
        if (stopping) return;
        break;
      }
      case WorkerChannel::Kind::kNone: {
        // A request running past the limit: the worker cannot stop it; it is ended.
        const ULONGLONG now = GetTickCount64();
        std::string hung;
        bool found = false;
        EnterCriticalSection(&lock_);
        for (const Slot& slot : slots_) {
          if (!slot.busy || now - slot.since <= recycleAfterMs_) continue;
          found = true;
          hung = slot.requestLine;
        }
        LeaveCriticalSection(&lock_);
        if (found) {
          std::fprintf(stderr, "isapi-host: \"%s\" ran longer than %u s in worker process %d; ending it\n",
                       hung.c_str(), recycleAfterMs_ / 1000, channel_.pid());
          channel_.Kill();
        }
        break;
      }
    }
  }
}

void WorkerSupervisor::WorkerEnded() {
  const int pid = channel_.pid();
  channel_.Kill();  // it may have closed the channel and still be running
  const std::string how = channel_.Reap();
  struct Lost {
    ReadyConnection connection;
    std::string requestLine;
    bool begun;
  };
  std::vector<Lost> lost;
  EnterCriticalSection(&lock_);
  running_ = false;
  for (unsigned index = 0; index < slots_.size(); ++index) {
    Slot& slot = slots_[index];
    if (!slot.busy) continue;
    slot.busy = false;
    lost.push_back({std::move(slot.connection), std::move(slot.requestLine), channel_.ResponseBegun(index)});
    free_.push_back(index);
  }
  bool stopping = stopping_;
  LeaveCriticalSection(&lock_);

  // Clients still waiting for a head are told; a response cut short can only be closed.
  const std::string note = "worker process ended (" + how + ")";
  for (Lost& item : lost) {
    if (item.begun)
      loop_->Return(std::move(item.connection), false);
    else
      loop_->ReturnWithError(std::move(item.connection), 502, item.requestLine, note);
  }
  if (stopping) return;
  std::fprintf(stderr, "isapi-host: worker process %d ended (%s) with %zu requests in flight; starting another\n",
               pid, how.c_str(), lost.size());
  ++restarts_;
  for (;;) {
    std::string error;
    if (channel_.Spawn(args_, static_cast<unsigned>(slots_.size()), kStartMs, &error)) break;
    std::fprintf(stderr, "isapi-host: %s\n", error.c_str());
    EnterCriticalSection(&lock_);
    stopping = stopping_;
    LeaveCriticalSection(&lock_);
    if (stopping) return;
    Sleep(kRestartPauseMs);
  }
  std::fprintf(stderr, "isapi-host: worker process %d serving\n", channel_.pid());
  EnterCriticalSection(&lock_);
  running_ = true;
  SendWaiting();
  LeaveCriticalSection(&lock_);
}
