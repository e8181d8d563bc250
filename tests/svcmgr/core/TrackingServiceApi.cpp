#include "TrackingServiceApi.h"

SC_HANDLE TrackingServiceApi::OpenSCManagerA(const char* machine, const char* database, DWORD access) {
  Count("OpenSCManagerA");
  managerMachines.push_back(machine ? machine : "");
  SC_HANDLE handle = Win32ServiceApi::OpenSCManagerA(machine, database, access);
  if (handle) managers_.insert(handle);
  return handle;
}

BOOL TrackingServiceApi::CloseServiceHandle(SC_HANDLE handle) {
  Count("CloseServiceHandle");
  services_.erase(handle);
  managers_.erase(handle);
  return Win32ServiceApi::CloseServiceHandle(handle);
}

BOOL TrackingServiceApi::EnumServicesStatusExA(SC_HANDLE manager, SC_ENUM_TYPE level, DWORD serviceType,
                                               DWORD serviceState, BYTE* buffer, DWORD size, DWORD* needed,
                                               DWORD* returned, DWORD* resume, const char* group) {
  Count("EnumServicesStatusExA");
  return Win32ServiceApi::EnumServicesStatusExA(manager, level, serviceType, serviceState, buffer, size, needed,
                                                returned, resume, group);
}

SC_HANDLE TrackingServiceApi::OpenServiceA(SC_HANDLE manager, const char* name, DWORD access) {
  Count("OpenServiceA");
  serviceAccess.push_back(access);
  SC_HANDLE handle = Win32ServiceApi::OpenServiceA(manager, name, access);
  if (handle) services_.insert(handle);
  return handle;
}

SC_HANDLE TrackingServiceApi::CreateServiceA(SC_HANDLE manager, const char* name, const char* displayName, DWORD access,
                                             DWORD serviceType, DWORD startType, DWORD errorControl,
                                             const char* binaryPath, const char* group, DWORD* tag,
                                             const char* dependencies, const char* account, const char* password) {
  Count("CreateServiceA");
  SC_HANDLE handle =
      Win32ServiceApi::CreateServiceA(manager, name, displayName, access, serviceType, startType, errorControl,
                                      binaryPath, group, tag, dependencies, account, password);
  if (handle) services_.insert(handle);
  return handle;
}

BOOL TrackingServiceApi::QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) {
  Count("QueryServiceStatus");
  return Win32ServiceApi::QueryServiceStatus(service, status);
}

BOOL TrackingServiceApi::QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, BYTE* buffer, DWORD size,
                                              DWORD* needed) {
  Count("QueryServiceStatusEx");
  return Win32ServiceApi::QueryServiceStatusEx(service, level, buffer, size, needed);
}

BOOL TrackingServiceApi::StartServiceA(SC_HANDLE service, DWORD argc, const char** argv) {
  Count("StartServiceA");
  return Win32ServiceApi::StartServiceA(service, argc, argv);
}

BOOL TrackingServiceApi::ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) {
  Count("ControlService");
  return Win32ServiceApi::ControlService(service, control, status);
}

BOOL TrackingServiceApi::DeleteService(SC_HANDLE service) {
  Count("DeleteService");
  return Win32ServiceApi::DeleteService(service);
}

SC_LOCK TrackingServiceApi::LockServiceDatabase(SC_HANDLE manager) {
  Count("LockServiceDatabase");
  return Win32ServiceApi::LockServiceDatabase(manager);
}

BOOL TrackingServiceApi::UnlockServiceDatabase(SC_LOCK lock) {
  Count("UnlockServiceDatabase");
  return Win32ServiceApi::UnlockServiceDatabase(lock);
}

DWORD TrackingServiceApi::WNetAddConnection3A(HWND owner, NETRESOURCEA* resource, const char* password,
                                              const char* user, DWORD flags) {
  Count("WNetAddConnection3A");
  return Win32ServiceApi::WNetAddConnection3A(owner, resource, password, user, flags);
}

int TrackingServiceApi::Calls(const std::string& function) const {
  auto found = calls_.find(function);
  return found == calls_.end() ? 0 : found->second;
}
