// Win32ServiceApi: ServiceApi over the platform's advapi32 and mpr.
#pragma once

#include "core/ServiceApi.h"

class Win32ServiceApi : public ServiceApi {
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
  BOOL QueryServiceConfigA(SC_HANDLE service, QUERY_SERVICE_CONFIGA* config, DWORD size, DWORD* needed) override;
  BOOL QueryServiceConfig2A(SC_HANDLE service, DWORD level, BYTE* buffer, DWORD size, DWORD* needed) override;
  BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) override;
  BOOL QueryServiceStatusEx(SC_HANDLE service, SC_STATUS_TYPE level, BYTE* buffer, DWORD size, DWORD* needed) override;
  BOOL StartServiceA(SC_HANDLE service, DWORD argc, const char** argv) override;
  BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) override;
  BOOL DeleteService(SC_HANDLE service) override;
  BOOL ChangeServiceConfigA(SC_HANDLE service, DWORD serviceType, DWORD startType, DWORD errorControl,
                            const char* binaryPath, const char* group, DWORD* tag, const char* dependencies,
                            const char* account, const char* password, const char* displayName) override;
  SC_LOCK LockServiceDatabase(SC_HANDLE manager) override;
  BOOL UnlockServiceDatabase(SC_LOCK lock) override;
  DWORD WNetAddConnection3A(HWND owner, NETRESOURCEA* resource, const char* password, const char* user,
                            DWORD flags) override;
};
