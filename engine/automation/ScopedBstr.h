// ScopedBstr: an owning BSTR, freed with SysFreeString.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string_view>
#include <utility>

class ScopedBstr {
 public:
  ScopedBstr() = default;
  // Copies the text; throws std::bad_alloc when it cannot be allocated.
  explicit ScopedBstr(std::wstring_view text);
  ScopedBstr(ScopedBstr&& other) noexcept : bstr_(std::exchange(other.bstr_, nullptr)) {}
  ScopedBstr& operator=(ScopedBstr&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  ~ScopedBstr() { Reset(); }

  // Adopts an allocated BSTR.
  static ScopedBstr Adopt(BSTR bstr) {
    ScopedBstr result;
    result.bstr_ = bstr;
    return result;
  }

  void Reset(BSTR bstr = nullptr) {
    if (bstr_ != bstr) SysFreeString(std::exchange(bstr_, bstr));
  }
  [[nodiscard]] BSTR Release() { return std::exchange(bstr_, nullptr); }
  BSTR* Receive() {
    Reset();
    return &bstr_;
  }

  BSTR Get() const { return bstr_; }
  UINT Length() const { return SysStringLen(bstr_); }
  std::wstring_view View() const { return {bstr_ ? bstr_ : L"", Length()}; }

 private:
  BSTR bstr_ = nullptr;
};
