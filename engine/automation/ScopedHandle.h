// ScopedHandle: an owning kernel handle, closed with CloseHandle.
#pragma once

#include <windows.h>

#include <utility>

class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : handle_(Normalize(handle)) {}
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { Reset(); }

  void Reset(HANDLE handle = nullptr) {
    HANDLE old = std::exchange(handle_, Normalize(handle));
    if (old && old != handle_) CloseHandle(old);
  }
  [[nodiscard]] HANDLE Release() { return std::exchange(handle_, nullptr); }
  HANDLE Get() const { return handle_; }
  bool IsValid() const { return handle_ != nullptr; }

 private:
  // INVALID_HANDLE_VALUE and null both mean "no handle" here.
  static HANDLE Normalize(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : h; }
  HANDLE handle_ = nullptr;
};
