#include "core/Win32ServiceApi.h"

SC_HANDLE Win32ServiceApi::OpenSCManagerA(const char* machine, const char* database, DWORD access) {
  return ::OpenSCManagerA(machine, database, access);
}

BOOL Win32ServiceApi::CloseServiceHandle(SC_HANDLE handle) { return ::CloseServiceHandle(handle); }

BOOL Win32ServiceApi::EnumServicesStatusExA(SC_HANDLE manager, SC_ENUM_TYPE level, DWORD serviceType,
                                            DWORD serviceState, BYTE* buffer, DWORD size, DWORD* needed,
                                            DWORD* returned, DWORD* resume, const char* group) {
  return ::EnumServicesStatusExA(manager, level, serviceType, serviceState, buffer, size, needed, returned, resume,
                                 group);
}

SC_HANDLE Win32ServiceApi::OpenServiceA(SC_HANDLE manager, const char* name, DWORD access) {
  return ::OpenServiceA(manager, name, access);
}

SC_HANDLE Win32ServiceApi::CreateServiceA(SC_HANDLE manager, const char* name, const char* displayName, DWORD access,
                                          DWORD serviceType, DWORD startType, DWORD errorControl,
                                          const char* binaryPath, const char* group, DWORD* tag,
                                          const char* dependencies, const char* account, const char* password) {
  return ::CreateServiceA(manager, name, displayName, access, serviceType, startType, errorControl, binaryPath, group,
                          tag, dependencies, account, password);
}

BOOL Win32ServiceApi::QueryServiceConfigA(SC_HANDLE service, QUERY_SERVICE_CONFIGA* config, DWORD size, DWORD* needed) {
  return ::QueryServiceConfigA(service, config, size, needed);
}

BOOL Win32ServiceApi::QueryServiceConfig2A(SC_HANDLE service, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) {
  return ::QueryServiceConfig2A(service, level, buffer, size, needed);
}

BOOL Win32ServiceApi::QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) {
  return ::QueryServiceStatus(service, status);
}

BOOL Win32ServiceApi::QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, BYTE* buffer, DWORD size,
                                           DWORD* needed) {
  return ::QueryServiceStatusEx(service, level, buffer, size, needed);
}

BOOL Win32ServiceApi::StartServiceA(SC_HANDLE service, DWORD argc, const char** argv) {
  return ::StartServiceA(service, argc, argv);
}

BOOL Win32ServiceApi::ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) {
  return ::ControlService(service, control, status);
}

BOOL Win32ServiceApi::DeleteService(SC_HANDLE service) { return ::DeleteService(service); }

BOOL Win32ServiceApi::ChangeServiceConfigA(SC_HANDLE service, DWORD serviceType, DWORD startType, DWORD errorControl,
                                           const char* binaryPath, const char* group, DWORD* tag,
                                           const char* dependencies, const char* account, const char* password,
                                           const char* displayName) {
  return ::ChangeServiceConfigA(service, serviceType, startType, errorControl, binaryPath, group, tag, dependencies,
                                account, password, displayName);
}

SC_LOCK Win32ServiceApi::LockServiceDatabase(SC_HANDLE manager) { return ::LockServiceDatabase(manager); }

BOOL Win32ServiceApi::UnlockServiceDatabase(SC_LOCK lock) { return ::UnlockServiceDatabase(lock); }

DWORD Win32ServiceApi::WNetAddConnection3A(HWND owner, NETRESOURCEA* resource, const char* password, const char* user,
                                           DWORD flags) {
  return ::WNetAddConnection3A(owner, resource, password, user, flags);
}
