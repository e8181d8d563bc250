// TrackingServiceApi: the real service manager, with a record of the handles the
// commands open and close and of the calls they make. Tests derive from it to make the
// manager answer what the platform at hand cannot produce.
#pragma once

#include <map>
#include <vector>
#include <set>
#include <string>

#include "core/Win32ServiceApi.h"

class TrackingServiceApi : public Win32ServiceApi {
 public:
  SC_HANDLE OpenSCManagerA(const char* machine, const char* database, DWORD access) override;
  BOOL CloseServiceHandle(SC_HANDLE handle) override;
  BOOL EnumServicesStatusExA(SC_HANDLE manager, SC_ENUM_TYPE level, DWORD serviceType, DWORD serviceState, BYTE* buffer,
                             DWORD size, DWORD* needed, DWORD* returned, DWORD* resume, const char* group) override;
  SC_HANDLE OpenServiceA(SC_HANDLE manager, const char* name, DWORD access) override;
  SC_HANDLE CreateServiceA(SC_HANDLE manager, const char* name, const char* displayName, DWORD access,
                           DWORD serviceType, DWORD startType, DWORD errorControl, const char* binaryPath,
                           const char* group, DWORD* tag, const char* dependencies, const char* account,
                           const char* password) override;
  BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) override;
  BOOL QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, BYTE* buffer, DWORD size, DWORD* needed) override;
  BOOL StartServiceA(SC_HANDLE service, DWORD argc, const char** argv) override;
  BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) override;
  BOOL DeleteService(SC_HANDLE service) override;
  SC_LOCK LockServiceDatabase(SC_HANDLE manager) override;
  BOOL UnlockServiceDatabase(SC_LOCK lock) override;
  DWORD WNetAddConnection3A(HWND owner, NETRESOURCEA* resource, const char* password, const char* user,
                            DWORD flags) override;

  // Handles of services (not managers) that are open now.
  size_t OpenServiceHandles() const { return services_.size(); }
  size_t OpenManagerHandles() const { return managers_.size(); }
  int Calls(const std::string& function) const;

  // The access masks OpenServiceA was asked for, in order.
  std::vector<DWORD> serviceAccess;
  std::vector<std::string> managerMachines;  // "" for the local machine

 protected:
  void Count(const char* function) { ++calls_[function]; }

 private:
  std::set<SC_HANDLE> services_;
  std::set<SC_HANDLE> managers_;
  std::map<std::string, int> calls_;
};
