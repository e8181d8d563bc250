// ServiceApi: the service control manager and network-connection calls the service
// commands make, one member per platform function, with the platform's own arguments,
// results and last-error behaviour. Win32ServiceApi forwards to advapi32 and mpr; tests
// put doubles in front of it for what the platform at hand cannot produce.
#pragma once

#include <windows.h>
#include <winnetwk.h>
#include <winsvc.h>

class ServiceApi {
 public:
  virtual ~ServiceApi() = default;

  virtual SC_HANDLE OpenSCManagerA(const char* machine, const char* database, DWORD access) = 0;
  virtual BOOL CloseServiceHandle(SC_HANDLE handle) = 0;
  virtual BOOL EnumServicesStatusExA(SC_HANDLE manager, SC_ENUM_TYPE level, DWORD serviceType, DWORD serviceState,
                                     BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned, DWORD* resume,
                                     const char* group) = 0;
  virtual SC_HANDLE OpenServiceA(SC_HANDLE manager, const char* name, DWORD access) = 0;
  virtual SC_HANDLE CreateServiceA(SC_HANDLE manager, const char* name, const char* displayName, DWORD access,
                                   DWORD serviceType, DWORD startType, DWORD errorControl, const char* binaryPath,
                                   const char* group, DWORD* tag, const char* dependencies, const char* account,
                                   const char* password) = 0;
  virtual BOOL QueryServiceConfigA(SC_HANDLE service, QUERY_SERVICE_CONFIGA* config, DWORD size, DWORD* needed) = 0;
  virtual BOOL QueryServiceConfig2A(SC_HANDLE service, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) = 0;
  virtual BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) = 0;
  virtual BOOL QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, BYTE* buffer, DWORD size,
                                    DWORD* needed) = 0;
  virtual BOOL StartServiceA(SC_HANDLE service, DWORD argc, const char** argv) = 0;
  virtual BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) = 0;
  virtual BOOL DeleteService(SC_HANDLE service) = 0;
  virtual BOOL ChangeServiceConfigA(SC_HANDLE service, DWORD serviceType, DWORD startType, DWORD errorControl,
                                    const char* binaryPath, const char* group, DWORD* tag, const char* dependencies,
                                    const char* account, const char* password, const char* displayName) = 0;
  virtual SC_LOCK LockServiceDatabase(SC_HANDLE manager) = 0;
  virtual BOOL UnlockServiceDatabase(SC_LOCK lock) = 0;
  // Answers the result code (and leaves it as the last error, as mpr does).
  virtual DWORD WNetAddConnection3A(HWND owner, NETRESOURCEA* resource, const char* password, const char* user,
                                    DWORD flags) = 0;
};
