// ServiceHandle: an owning service or manager handle, closed through the ServiceApi that
// opened it, on every path.
#pragma once

#include <utility>

#include "core/ServiceApi.h"

class ServiceHandle {
 public:
  ServiceHandle(ServiceApi& api, SC_HANDLE handle) : api_(&api), handle_(handle) {}
  ServiceHandle(ServiceHandle&& other) noexcept : api_(other.api_), handle_(std::exchange(other.handle_, nullptr)) {}
  ServiceHandle& operator=(ServiceHandle&& other) noexcept {
    if (this != &other) {
      Close();
      api_ = other.api_;
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
  ~ServiceHandle() { Close(); }

  void Close() {
    if (SC_HANDLE old = std::exchange(handle_, nullptr)) api_->CloseServiceHandle(old);
  }
  SC_HANDLE Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  ServiceApi* api_;
  SC_HANDLE handle_;
};
