#include "WorkerSupervisor.h"

#include <cstdio>

#include "AccessLog.h"
#include "HostOptions.h"

namespace {

// How often the watcher looks at the requests' running times.
constexpr unsigned kWatchSliceMs = 100;
// A failed start is tried again after this.
constexpr DWORD kRestartPauseMs = 500;
constexpr size_t kMaxLoggedLine = 512;

// One argument quoted for a command line, as the C runtime splits it again.
std::string Quoted(const std::string& argument) {
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

// Starts the worker through the system, as any program starts another.
bool StartProcess(const std::string& program, const std::vector<std::string>& args, std::string* error) {
  std::string command = Quoted(ToWindowsPath(program));
  for (const std::string& arg : args) command += " " + Quoted(arg);
  // The worker writes nothing to its standard output and only its faults to the error
  // output, which it shares with this process; it has no console of its own.
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE nothing = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                               OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nothing;
  startup.hStdOutput = nothing;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr, nullptr,
                                &startup, &process);
  DWORD failure = GetLastError();
  if (nothing != INVALID_HANDLE_VALUE) CloseHandle(nothing);
  if (!started) {
    *error = "cannot start the worker process " + program + " (error " + std::to_string(failure) + ")";
    return false;
  }
  // A Winelib program starts as a Linux program: there may be no handles to close.
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  return true;
}

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
  if (!channel_.Spawn(args_, static_cast<unsigned>(slots_.size()), kStartMs, StartProcess, error)) return false;
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
    channel_.SetState(index, WorkerChannel::SlotState::kRequest);
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
        std::string requestLine;
        bool known = slot.busy;
        // A connection given back without an answer begun: the worker could not serve
        // the request (it is failing); the client is told so, as for a worker that died.
        bool unanswered = !message.keepAlive && channel_.State(message.slot) == WorkerChannel::SlotState::kRequest;
        if (known) {
          slot.busy = false;
          connection = std::move(slot.connection);
          connection.buffered = std::move(message.bytes);
          requestLine = std::move(slot.requestLine);
          free_.push_back(message.slot);
          SendWaiting();
        }
        LeaveCriticalSection(&lock_);
        if (known && unanswered)
          loop_->ReturnWithError(std::move(connection), 502, requestLine, "worker process gave no answer");
        else if (known)
          loop_->Return(std::move(connection), message.keepAlive);
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
          ended_ = "ended after a request ran longer than " + std::to_string(recycleAfterMs_ / 1000) + " s";
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
  channel_.Reap();
  const std::string how = ended_.empty() ? "ended" : ended_;
  ended_.clear();
  struct Lost {
    ReadyConnection connection;
    std::string requestLine;
    WorkerChannel::SlotState state;
  };
  std::vector<Lost> lost;
  EnterCriticalSection(&lock_);
  running_ = false;
  for (unsigned index = 0; index < slots_.size(); ++index) {
    Slot& slot = slots_[index];
    if (!slot.busy) continue;
    slot.busy = false;
    lost.push_back({std::move(slot.connection), std::move(slot.requestLine), channel_.State(index)});
    free_.push_back(index);
  }
  bool stopping = stopping_;
  LeaveCriticalSection(&lock_);

  // Clients still waiting for a head are told; a response cut short can only be closed;
  // a connection that was only waiting for its next request is kept.
  const std::string note = "worker process " + how;
  size_t failed = 0;
  for (Lost& item : lost) {
    switch (item.state) {
      case WorkerChannel::SlotState::kRequest:
        ++failed;
        loop_->ReturnWithError(std::move(item.connection), 502, item.requestLine, note);
        break;
      case WorkerChannel::SlotState::kResponse:
        ++failed;
        loop_->Return(std::move(item.connection), false);
        break;
      case WorkerChannel::SlotState::kIdle: loop_->Return(std::move(item.connection), true); break;
    }
  }
  if (stopping) return;
  std::fprintf(stderr, "isapi-host: worker process %d %s with %zu requests in flight; starting another\n",
               pid, how.c_str(), failed);
  for (;;) {
    std::string error;
    if (channel_.Spawn(args_, static_cast<unsigned>(slots_.size()), kStartMs, StartProcess, &error)) break;
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
