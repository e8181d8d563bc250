#include "WorkerPool.h"

#include <objbase.h>

#include "HttpConnection.h"
#include "HttpServer.h"

namespace {

// Script engines run on the workers' stacks.
constexpr unsigned kWorkerStackBytes = 1 << 20;

}  // namespace

WorkerPool::WorkerPool(HttpServer& server, Finished finished) : server_(server), finished_(std::move(finished)) {}

WorkerPool::~WorkerPool() {
  Stop(0);
  // The workers use this object to their last instruction: wait for requests still
  // running past the grace (every receive and send of theirs has a time-out).
  for (HANDLE thread : threads_) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
}

bool WorkerPool::Start(unsigned threads, std::string* error) {
  for (unsigned i = 0; i < threads; ++i) {
    HANDLE thread = CreateThread(nullptr, kWorkerStackBytes, ThreadMain, this, 0, nullptr);
    if (!thread) {
      *error = "cannot start worker threads";
      return false;
    }
    threads_.push_back(thread);
  }
  return true;
}

void WorkerPool::Submit(Job&& job) {
  AcquireSRWLockExclusive(&lock_);
  bool stopping = stopping_;
  if (!stopping) queue_.push_back(std::move(job));
  ReleaseSRWLockExclusive(&lock_);
  if (stopping) {
    finished_(std::move(job), false);
    return;
  }
  WakeConditionVariable(&wake_);
}

void WorkerPool::Stop(DWORD graceMs) {
  std::deque<Job> left;
  AcquireSRWLockExclusive(&lock_);
  stopping_ = true;
  left.swap(queue_);
  ReleaseSRWLockExclusive(&lock_);
  WakeAllConditionVariable(&wake_);
  for (Job& job : left) finished_(std::move(job), false);
  ULONGLONG deadline = GetTickCount64() + graceMs;
  for (HANDLE thread : threads_) {
    ULONGLONG now = GetTickCount64();
    WaitForSingleObject(thread, now < deadline ? static_cast<DWORD>(deadline - now) : 0);
  }
}

DWORD WINAPI WorkerPool::ThreadMain(void* self) {
  static_cast<WorkerPool*>(self)->Run();
  return 0;
}

void WorkerPool::Run() {
  HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  for (;;) {
    AcquireSRWLockExclusive(&lock_);
    while (queue_.empty() && !stopping_) SleepConditionVariableSRW(&wake_, &lock_, INFINITE, 0);
    if (queue_.empty()) {
      ReleaseSRWLockExclusive(&lock_);
      break;
    }
    Job job = std::move(queue_.front());
    queue_.pop_front();
    ReleaseSRWLockExclusive(&lock_);

    bool keepAlive;
    {
      HttpConnection connection(server_, job);
      keepAlive = connection.Serve();
    }
    finished_(std::move(job), keepAlive);
  }
  if (SUCCEEDED(com)) CoUninitialize();
}
