#include "ControlPipe.h"

namespace {

// How long the server waits for the parent's pipe to take a connection.
constexpr DWORD kConnectWaitMs = 10000;

}  // namespace

ControlPipe::~ControlPipe() {
  // The watcher ends when the pipe closes; the process normally exits before this.
  if (pipe_ != INVALID_HANDLE_VALUE) CloseHandle(pipe_);
  if (thread_) {
    WaitForSingleObject(thread_, 1000);
    CloseHandle(thread_);
  }
}

bool ControlPipe::Open(const std::string& name, unsigned port, HANDLE stopEvent, std::string* error) {
  ULONGLONG deadline = GetTickCount64() + kConnectWaitMs;
  for (;;) {
    pipe_ = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe_ != INVALID_HANDLE_VALUE) break;
    DWORD failure = GetLastError();
    if (failure != ERROR_PIPE_BUSY || GetTickCount64() > deadline) {
      *error = "cannot open control pipe " + name + " (error " + std::to_string(failure) + ")";
      return false;
    }
    WaitNamedPipeA(name.c_str(), 500);
  }
  std::string line = "port " + std::to_string(port) + " pid " + std::to_string(GetCurrentProcessId()) + "\n";
  DWORD written = 0;
  if (!WriteFile(pipe_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
    *error = "cannot write to control pipe " + name;
    return false;
  }
  stopEvent_ = stopEvent;
  thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
  if (!thread_) {
    *error = "cannot watch control pipe " + name;
    return false;
  }
  return true;
}

DWORD WINAPI ControlPipe::Watch(void* self) {
  auto* control = static_cast<ControlPipe*>(self);
  char byte;
  DWORD read = 0;
  // Returns on the parent's first byte, or fails when its end closes.
  ReadFile(control->pipe_, &byte, 1, &read, nullptr);
  SetEvent(control->stopEvent_);
  return 0;
}
