// ScopedSafeArray: an owning SAFEARRAY, destroyed with SafeArrayDestroy.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

class ScopedSafeArray {
 public:
  ScopedSafeArray() = default;
  explicit ScopedSafeArray(SAFEARRAY* array) : array_(array) {}
  ScopedSafeArray(ScopedSafeArray&& other) noexcept : array_(std::exchange(other.array_, nullptr)) {}
  ScopedSafeArray& operator=(ScopedSafeArray&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ScopedSafeArray(const ScopedSafeArray&) = delete;
  ScopedSafeArray& operator=(const ScopedSafeArray&) = delete;
  ~ScopedSafeArray() { Reset(); }

  void Reset(SAFEARRAY* array = nullptr) {
    if (SAFEARRAY* old = std::exchange(array_, array); old && old != array) SafeArrayDestroy(old);
  }
  [[nodiscard]] SAFEARRAY* Release() { return std::exchange(array_, nullptr); }
  SAFEARRAY* Get() const { return array_; }

 private:
  SAFEARRAY* array_ = nullptr;
};
