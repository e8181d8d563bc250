// ServiceDatabaseLock: the manager's database lock, released through the ServiceApi that
// took it when the scope ends. Empty when the lock could not be taken.
#pragma once

#include <utility>

#include "core/ServiceApi.h"

class ServiceDatabaseLock {
 public:
  ServiceDatabaseLock(ServiceApi& api, SC_LOCK lock) : api_(api), lock_(lock) {}
  ServiceDatabaseLock(const ServiceDatabaseLock&) = delete;
  ServiceDatabaseLock& operator=(const ServiceDatabaseLock&) = delete;
  ~ServiceDatabaseLock() {
    if (SC_LOCK old = std::exchange(lock_, nullptr)) api_.UnlockServiceDatabase(old);
  }

  explicit operator bool() const { return lock_ != nullptr; }

 private:
  ServiceApi& api_;
  SC_LOCK lock_;
};
