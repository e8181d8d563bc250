#include "core/ServiceRow.h"

#include <winsvc.h>

#include "core/TamberText.h"

namespace ServiceRow {

using namespace tamber_text;

const char* ColumnTitle(int column) {
  static constexpr const char* kTitles[kFixedColumnCount] = {kColumnName,        kColumnDisplayName, kColumnType,
                                                             kColumnState,       kColumnProcessId,   kColumnStartType,
                                                             kColumnDescription, kColumnBinaryPath};
  return column >= 0 && column < kFixedColumnCount ? kTitles[column] : "";
}

const char* FileInfoColumnTitle(int offset) {
  static constexpr const char* kTitles[kFileInfoColumnCount] = {kColumnCompany, kColumnFileDescription,
                                                                kColumnFileVersion};
  return offset >= 0 && offset < kFileInfoColumnCount ? kTitles[offset] : "";
}

const char* TypeText(DWORD serviceType) {
  switch (serviceType & ~static_cast<DWORD>(SERVICE_INTERACTIVE_PROCESS)) {
    case SERVICE_KERNEL_DRIVER: return kTypeKernelDriver;
    case SERVICE_FILE_SYSTEM_DRIVER: return kTypeFileSystemDriver;
    case SERVICE_WIN32_OWN_PROCESS: return kTypeOwnProcess;
    case SERVICE_WIN32_SHARE_PROCESS: return kTypeShareProcess;
    default: return kTypeUnknown;
  }
}

const char* StateText(DWORD currentState) {
  switch (currentState) {
    case SERVICE_START_PENDING: return kStateStartPending;
    case SERVICE_STOP_PENDING: return kStateStopPending;
    case SERVICE_RUNNING: return kStateRunning;
    case SERVICE_PAUSE_PENDING: return kStatePausePending;
    case SERVICE_PAUSED: return kStatePaused;
    default: return "";  // stopped, continue pending and anything unknown
  }
}

const char* StartTypeText(DWORD startType) {
  switch (startType) {
    case SERVICE_BOOT_START: return kStartBoot;
    case SERVICE_SYSTEM_START: return kStartSystem;
    case SERVICE_AUTO_START: return kStartAuto;
    case SERVICE_DEMAND_START: return kStartDemand;
    case SERVICE_DISABLED: return kStartDisabled;
    default: return "";
  }
}

}  // namespace ServiceRow
