#include "core/ServiceCommands.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "core/ErrorText.h"
#include "core/ServiceDatabaseLock.h"
#include "core/ServiceHandle.h"
#include "core/ServiceRow.h"
#include "core/TamberText.h"
#include "core/TextRules.h"

using namespace tamber_text;

namespace {

// A buffer the size a platform probe asked for; null when it cannot be had.
std::unique_ptr<BYTE[]> AllocateBuffer(size_t size) { return std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[size]); }

}  // namespace

ServiceCommands::ServiceCommands(const ServiceCommandsParts& parts)
    : api_(parts.api),
      list_(parts.list),
      hooks_(parts.hooks),
      user_(parts.user),
      panes_(parts.panes),
      cursor_(parts.cursor),
      keys_(parts.keys),
      clock_(parts.clock),
      program_(parts.program) {}

ServiceCommands::~ServiceCommands() { ReplaceManager(nullptr); }

void ServiceCommands::ReplaceManager(SC_HANDLE manager) {
  if (SC_HANDLE old = std::exchange(manager_, manager)) api_.CloseServiceHandle(old);
}

void ServiceCommands::ShowError(const std::string& text) { user_.Show(text.c_str(), kAppTitle, MB_OK | MB_ICONERROR); }

void ServiceCommands::ShowServiceError(const char* format, const std::string& displayName, DWORD error) {
  ShowError(FormatText(format, displayName.c_str(), ErrorTextFor(error).c_str()));
}

// ---------------------------------------------------------------------------------------
// Connect

void ServiceCommands::Connect(const char* machine) {
  if (machine && !*machine) machine = nullptr;  // an empty name is the local machine
  if (local_ && !machine) return;

  list_.DeleteAllRows();
  list_.RepaintNow();

  std::string previousLabel = program_.machineLabel;
  local_ = machine == nullptr;
  program_.machineLabel = machine ? machine : kLocalMachineLabel;
  panes_.SetPaneText(StatusPanes::kMachinePane, program_.machineLabel.c_str());
  panes_.SetPaneText(StatusPanes::kCountPane, "");

  WaitCursorScope wait(cursor_);
  wait.Show();

  SC_HANDLE manager = api_.OpenSCManagerA(machine, nullptr, kManagerAccess);
  DWORD error = manager ? ERROR_SUCCESS : GetLastError();
  if (!manager && error == ERROR_ACCESS_DENIED && machine) {
    // The remote manager refused us: connect to its IPC share with the credentials the
    // system asks the user for, and try once more.
    std::string remoteName = FormatText("\\\\%s\\ipc$", machine);
    NETRESOURCEA resource{};
    resource.lpRemoteName = remoteName.data();
    DWORD result = api_.WNetAddConnection3A(list_.Window(), &resource, "", "", CONNECT_INTERACTIVE | CONNECT_PROMPT);
    if (result == NO_ERROR) {
      manager = api_.OpenSCManagerA(machine, nullptr, kManagerAccess);
      error = manager ? ERROR_SUCCESS : GetLastError();
    } else if (result == ERROR_CANCELLED) {
      // The user gave up: back to the previous machine, its handle and its list.
      program_.machineLabel = previousLabel;
      panes_.SetPaneText(StatusPanes::kMachinePane, program_.machineLabel.c_str());
      local_ = program_.machineLabel == kLocalMachineLabel;
      RefreshList();
      return;
    } else {
      error = result;
    }
  }

  if (!manager) {
    std::string text = ErrorTextFor(error);
    panes_.SetPaneText(StatusPanes::kCountPane, text.c_str());
    ShowError(kMsgOpenScmFailed + text);
    ReplaceManager(nullptr);
    return;
  }
  ReplaceManager(manager);
  RefreshList();
}

// ---------------------------------------------------------------------------------------
// Refresh

void ServiceCommands::RefreshList() {
  SetFindPosition(-1, -1);

  DWORD needed = 0;
  DWORD returned = 0;
  DWORD resume = 0;
  BOOL probed = api_.EnumServicesStatusExA(manager_, SC_ENUM_PROCESS_INFO, filter_, SERVICE_STATE_ALL, nullptr, 0,
                                           &needed, &returned, &resume, nullptr);
  // A probe that succeeds has nothing to list (and leaves a stale last error).
  if (probed) needed = 0;
  if (!probed && GetLastError() != ERROR_MORE_DATA) {
    ShowError(kMsgEnumFailed + ErrorText());
    return;
  }

  WaitCursorScope wait(cursor_);
  wait.Show();

  // The selection and the scroll place survive a refresh of the same kind of services.
  std::vector<std::string> keepSelected;
  int lastOnPage = 0;
  if (filter_ == program_.previousFilter) {
    int top = list_.TopIndex();
    int perPage = list_.RowsPerPage();
    lastOnPage = perPage > 0 ? top + perPage - 1 : top;
    for (int row = list_.NextSelected(-1); row != -1; row = list_.NextSelected(row)) {
      keepSelected.push_back(list_.GetCell(row, ServiceRow::kName));
    }
  }
  program_.previousFilter = filter_;

  list_.SetVisible(false);
  list_.DeleteAllRows();

  if (needed > 0) {
    std::unique_ptr<BYTE[]> buffer = needed <= kMaxEnumerationBytes ? AllocateBuffer(needed) : nullptr;
    if (!buffer) {
      ShowError(kMsgEnumAllocFailed);
    } else {
      returned = 0;
      resume = 0;
      if (!api_.EnumServicesStatusExA(manager_, SC_ENUM_PROCESS_INFO, filter_, SERVICE_STATE_ALL, buffer.get(), needed,
                                      &needed, &returned, &resume, nullptr)) {
        DWORD error = GetLastError();
        // More data: services were added since the probe; list the ones that came.
        if (error != ERROR_MORE_DATA) {
          returned = 0;
          ShowError(kMsgEnumFailed + ErrorTextFor(error));
        }
      }
      FillRows(buffer.get(), returned, keepSelected);
    }
  }

  list_.AutoSizeColumn(ServiceRow::kType);
  list_.AutoSizeColumn(ServiceRow::kState);
  list_.AutoSizeColumn(ServiceRow::kProcessId);
  int fileInfoBase = hooks_.FillFileInfo();
  if (fileInfoBase > 0) {
    for (int i = 0; i < ServiceRow::kFileInfoColumnCount; ++i) list_.AutoSizeColumn(fileInfoBase + i);
  }
  hooks_.SortRows();
  list_.EnsureVisible(lastOnPage, true);
  list_.SetVisible(true);
  UpdateCountPane();
}

void ServiceCommands::FillRows(const BYTE* buffer, DWORD count, const std::vector<std::string>& keepSelected) {
  auto* entries = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(buffer);
  std::unique_ptr<BYTE[]> description = AllocateBuffer(kDescriptionBufferBytes);
  for (DWORD i = 0; i < count; ++i) {
    const ENUM_SERVICE_STATUS_PROCESSA& entry = entries[i];
    const char* name = entry.lpServiceName ? entry.lpServiceName : "";
    int row = list_.InsertRow(name);
    list_.SetCell(row, ServiceRow::kDisplayName, entry.lpDisplayName ? entry.lpDisplayName : "");
    for (const std::string& kept : keepSelected) {
      if (EqualsNoCaseDbcs(kept, name)) {
        list_.SetSelected(row, true);
        break;
      }
    }
    const SERVICE_STATUS_PROCESS& status = entry.ServiceStatusProcess;
    list_.SetCell(row, ServiceRow::kType, ServiceRow::TypeText(status.dwServiceType));
    list_.SetCell(row, ServiceRow::kState, ServiceRow::StateText(status.dwCurrentState));
    if (status.dwProcessId != 0) list_.SetCell(row, ServiceRow::kProcessId, std::to_string(status.dwProcessId));
    FillConfiguration(row, name, description.get());
  }
}

void ServiceCommands::FillConfiguration(int row, const char* name, BYTE* description) {
  ServiceHandle service(api_, api_.OpenServiceA(manager_, name, kReadAccess));
  if (!service) return;  // columns 5 to 7 stay empty; no message during a refresh

  DWORD size = 0;
  api_.QueryServiceConfigA(service.Get(), nullptr, 0, &size);
  if (size != 0) {
    if (std::unique_ptr<BYTE[]> buffer = AllocateBuffer(size)) {
      auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.get());
      DWORD needed = 0;
      if (api_.QueryServiceConfigA(service.Get(), config, size, &needed)) {
        list_.SetCell(row, ServiceRow::kStartType, ServiceRow::StartTypeText(config->dwStartType));
        list_.SetCell(row, ServiceRow::kBinaryPath, config->lpBinaryPathName ? config->lpBinaryPathName : "");
      }
    }
  }

  DWORD descriptionNeeded = 0;
  if (description && api_.QueryServiceConfig2A(service.Get(), SERVICE_CONFIG_DESCRIPTION, description,
                                               kDescriptionBufferBytes, &descriptionNeeded)) {
    auto* text = reinterpret_cast<SERVICE_DESCRIPTIONA*>(description);
    if (text->lpDescription) list_.SetCell(row, ServiceRow::kDescription, text->lpDescription);
  }
}

void ServiceCommands::UpdateCountPane() {
  panes_.SetPaneText(StatusPanes::kCountPane, FormatText(kCountPaneFormat, list_.RowCount()).c_str());
}

void ServiceCommands::ReportServiceFailure(ServiceHandle& service, const char* format, const std::string& displayName) {
  DWORD error = GetLastError();  // before closing, which may change it
  service.Close();
  ShowServiceError(format, displayName, error);
}

ServiceHandle ServiceCommands::OpenRowService(int row, DWORD access, const std::string& displayName) {
  std::string name = list_.GetCell(row, ServiceRow::kName);
  ServiceHandle service(api_, api_.OpenServiceA(manager_, name.c_str(), access));
  if (!service) ShowServiceError(kMsgOpenServiceFailed, displayName, GetLastError());
  return service;
}

// ---------------------------------------------------------------------------------------
// Start

void ServiceCommands::StartServices() {
  WaitCursorScope wait(cursor_);
  wait.Show();
  for (int row = list_.NextSelected(-1); row != -1; row = list_.NextSelected(row)) StartOne(row);
  hooks_.SortRows();
}

void ServiceCommands::StartOne(int row) {
  std::string displayName = list_.GetCell(row, ServiceRow::kDisplayName);
  ServiceHandle service = OpenRowService(row, kStartAccess, displayName);
  if (!service) return;

  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  auto queryStatus = [&] {
    return api_.QueryServiceStatusEx(service.Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                     sizeof status, &needed);
  };
  auto reportQueryFailure = [&] { ReportServiceFailure(service, kMsgQueryStatusFailed, displayName); };

  if (!queryStatus()) return reportQueryFailure();
  if (status.dwCurrentState == SERVICE_RUNNING) return;

  if (!api_.StartServiceA(service.Get(), 0, nullptr)) {
    ReportServiceFailure(service, kMsgStartFailed, displayName);
    return;
  }

  DWORD started = clock_.TickCount();
  bool settled = false;
  while (clock_.TickCount() - started < kStartStopTimeoutMs) {
    if (!queryStatus()) return reportQueryFailure();
    if (status.dwCurrentState == SERVICE_RUNNING || status.dwCurrentState == SERVICE_STOPPED) {
      settled = true;
      break;
    }
    clock_.Sleep(kPollIntervalMs);
  }
  service.Close();

  if (!settled) {
    ShowError(FormatText(kMsgStartTimeout, displayName.c_str()));
  } else if (status.dwCurrentState == SERVICE_RUNNING) {
    list_.SetCell(row, ServiceRow::kState, kStateRunning);
    if (status.dwProcessId != 0) list_.SetCell(row, ServiceRow::kProcessId, FormatText("%lu", status.dwProcessId));
  } else {
    user_.Show(FormatText(kMsgStoppedAfterStart, displayName.c_str()).c_str(), kAppTitle, MB_OK | MB_ICONINFORMATION);
  }
}

// ---------------------------------------------------------------------------------------
// Stop

void ServiceCommands::StopServices() {
  WaitCursorScope wait(cursor_);
  for (int row = list_.NextSelected(-1); row != -1; row = list_.NextSelected(row)) StopOne(row, wait);
  hooks_.SortRows();
}

void ServiceCommands::StopOne(int row, WaitCursorScope& wait) {
  std::string displayName = list_.GetCell(row, ServiceRow::kDisplayName);
  ServiceHandle service = OpenRowService(row, kStopAccess, displayName);
  if (!service) return;
  SERVICE_STATUS status{};
  if (!api_.QueryServiceStatus(service.Get(), &status)) {
    ReportServiceFailure(service, kMsgQueryStatusFailed, displayName);
    return;
  }
  if (status.dwCurrentState == SERVICE_STOPPED) {
    ClearStateCells(row);
    return;
  }

  std::string question = FormatText(kMsgConfirmStop, displayName.c_str());
  if (user_.Show(question.c_str(), kAppTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  wait.Show();

  if (!api_.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
    ReportServiceFailure(service, kMsgStopFailed, displayName);
    return;
  }
  switch (WaitForStop(service, displayName, kStartStopTimeoutMs)) {
    case PollResult::kStopped: ClearStateCells(row); break;
    case PollResult::kTimedOut:
      service.Close();
      list_.SetCell(row, ServiceRow::kState, kStateStopPending);
      ShowError(FormatText(kMsgStopTimeout, displayName.c_str()));
      break;
    case PollResult::kQueryFailed: break;
  }
}

ServiceCommands::PollResult ServiceCommands::WaitForStop(ServiceHandle& service, const std::string& displayName,
                                                         DWORD timeoutMs) {
  DWORD started = clock_.TickCount();
  while (clock_.TickCount() - started < timeoutMs) {
    SERVICE_STATUS status{};
    if (!api_.QueryServiceStatus(service.Get(), &status)) {
      ReportServiceFailure(service, kMsgQueryStatusFailed, displayName);
      return PollResult::kQueryFailed;
    }
    if (status.dwCurrentState == SERVICE_STOPPED) return PollResult::kStopped;
    clock_.Sleep(kPollIntervalMs);
  }
  return PollResult::kTimedOut;
}

void ServiceCommands::ClearStateCells(int row) {
  list_.SetCell(row, ServiceRow::kState, "");
  list_.SetCell(row, ServiceRow::kProcessId, "");
}

// ---------------------------------------------------------------------------------------
// Delete

void ServiceCommands::DeleteServices() {
  // Ctrl is read once: held, the services are deleted as they are, without a stop.
  bool stopFirst = !keys_.IsCtrlDown();
  WaitCursorScope wait(cursor_);
  for (int row = list_.NextSelected(-1); row != -1; row = list_.NextSelected(-1)) {
    DeleteOne(row, stopFirst, wait);
  }
  UpdateCountPane();
}

void ServiceCommands::DeleteOne(int row, bool stopFirst, WaitCursorScope& wait) {
  std::string displayName = list_.GetCell(row, ServiceRow::kDisplayName);
  // Deselected first, so the loop moves on whatever happens to this row.
  list_.SetSelected(row, false);
  std::string question = FormatText(kMsgConfirmDelete, displayName.c_str());
  if (user_.Show(question.c_str(), kAppTitle, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  wait.Show();

  std::string name = list_.GetCell(row, ServiceRow::kName);
  ServiceHandle service = OpenRowService(row, kDeleteAccess, displayName);
  if (!service) return;

  if (stopFirst) {
    SERVICE_STATUS status{};
    if (!api_.QueryServiceStatus(service.Get(), &status)) {
      ReportServiceFailure(service, kMsgQueryStatusFailed, displayName);
      return;
    }
    if (status.dwCurrentState != SERVICE_STOPPED) {
      if (!api_.ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
        ReportServiceFailure(service, kMsgStopFailed, displayName);
        return;
      }
      switch (WaitForStop(service, displayName, kStopBeforeDeleteTimeoutMs)) {
        case PollResult::kStopped: break;
        case PollResult::kTimedOut:
          service.Close();
          ShowError(FormatText(kMsgStopTimeout, displayName.c_str()));
          return;
        case PollResult::kQueryFailed: return;
      }
    }
  }

  BOOL deleted = api_.DeleteService(service.Get());
  DWORD error = deleted ? ERROR_SUCCESS : GetLastError();
  service.Close();
  if (!deleted) {
    ShowServiceError(kMsgDeleteFailed, displayName, error);
    return;
  }

  // The manager only marks a service for deletion while any handle to it is open; the
  // row goes once the service is really gone.
  clock_.Sleep(kDeleteCheckDelayMs);
  ServiceHandle check(api_, api_.OpenServiceA(manager_, name.c_str(), kReadAccess));
  if (check) {
    list_.SetCell(row, ServiceRow::kStartType, kStartDisabled);
  } else if (GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST) {
    list_.DeleteRow(row);
  }
}

// ---------------------------------------------------------------------------------------
// Start type

void ServiceCommands::SetStartType(UINT commandId) {
  struct Choice {
    DWORD startType;
    const char* text;
  };
  // In command order: 32777 to 32781.
  static constexpr Choice kChoices[] = {
      {SERVICE_AUTO_START, kStartAuto},   {SERVICE_BOOT_START, kStartBoot},     {SERVICE_DEMAND_START, kStartDemand},
      {SERVICE_DISABLED, kStartDisabled}, {SERVICE_SYSTEM_START, kStartSystem},
  };
  if (commandId < kFirstStartTypeCommand || commandId > kLastStartTypeCommand) return;
  const Choice& choice = kChoices[commandId - kFirstStartTypeCommand];

  WaitCursorScope wait(cursor_);
  wait.Show();
  ServiceDatabaseLock lock(api_, api_.LockServiceDatabase(manager_));
  bool proceed = true;
  if (!lock) {
    std::string question = FormatText(kMsgLockFailed, ErrorText().c_str());
    proceed = user_.Show(question.c_str(), kAppTitle, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
  }
  if (proceed) {
    for (int row = list_.NextSelected(-1); row != -1; row = list_.NextSelected(row)) {
      std::string displayName = list_.GetCell(row, ServiceRow::kDisplayName);
      ServiceHandle service = OpenRowService(row, kChangeAccess, displayName);
      if (!service) continue;
      if (api_.ChangeServiceConfigA(service.Get(), SERVICE_NO_CHANGE, choice.startType, SERVICE_NO_CHANGE, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) {
        service.Close();
        list_.SetCell(row, ServiceRow::kStartType, choice.text);
      } else {
        ReportServiceFailure(service, kMsgSetStartTypeFailed, displayName);
      }
    }
  }
  hooks_.SortRows();
}

// ---------------------------------------------------------------------------------------
// Create

void ServiceCommands::CreateNewService(const std::string& name, const std::string& displayName,
                                       const std::string& binaryPath, DWORD serviceType, DWORD startType) {
  ServiceHandle service(
      api_, api_.CreateServiceA(manager_, name.c_str(), displayName.c_str(), kDeleteAccess, serviceType, startType,
                                SERVICE_ERROR_NORMAL, binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service) {
    ShowError(kMsgCreateFailed + ErrorText());
    return;
  }
  service.Close();

  if (serviceType & SERVICE_WIN32) {
    filter_ = kApplicationServices;
  } else if (serviceType & SERVICE_DRIVER) {
    filter_ = kKernelDrivers;
  }
  RefreshList();

  for (int row = 0, count = list_.RowCount(); row < count; ++row) {
    bool isNew = list_.GetCell(row, ServiceRow::kName) == name;
    list_.SetSelected(row, isNew);
    if (isNew) list_.EnsureVisible(row, false);
  }
  UpdateCountPane();
}

// ---------------------------------------------------------------------------------------
// Dependencies

std::vector<std::string> ServiceCommands::QueryDependencies(const std::string& name) {
  std::vector<std::string> names;
  ServiceHandle service(api_, api_.OpenServiceA(manager_, name.c_str(), kDependencyAccess));
  if (!service) return names;
  DWORD size = 0;
  api_.QueryServiceConfigA(service.Get(), nullptr, 0, &size);
  if (size == 0) return names;
  std::unique_ptr<BYTE[]> buffer = AllocateBuffer(size);
  if (!buffer) return names;
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.get());
  DWORD needed = 0;
  if (!api_.QueryServiceConfigA(service.Get(), config, size, &needed) || !config->lpDependencies) return names;

  // Zero-terminated names, ended by an empty one; the walk stays inside the buffer.
  const char* end = reinterpret_cast<const char*>(buffer.get()) + size;
  for (const char* p = config->lpDependencies; p >= reinterpret_cast<const char*>(buffer.get()) && p < end && *p;) {
    size_t length = strnlen(p, static_cast<size_t>(end - p));
    names.emplace_back(p, length);
    p += length + 1;
  }
  return names;
}
