// ServiceCommands: the service logic of the list view. It holds the view's manager
// handle, service filter and local flag, fills the list with one row per service and
// carries out the service commands on the selected rows: connect, refresh, start, stop,
// delete, change of start type and create. It reaches the list, the user, the status
// panes, the wait cursor, the keyboard, the clock and the service manager only through
// the narrow interfaces it is given, so it runs without a window.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include <string>
#include <vector>

#include "core/KeyState.h"
#include "core/ProgramState.h"
#include "core/ServiceApi.h"
#include "core/ServiceList.h"
#include "core/StatusPanes.h"
#include "core/TickClock.h"
#include "core/UserPrompt.h"
#include "core/ViewHooks.h"
#include "core/WaitCursor.h"

class ServiceHandle;
class WaitCursorScope;

// What the service commands work with; all of it outlives the ServiceCommands.
struct ServiceCommandsParts {
  ServiceApi& api;
  ServiceList& list;
  ViewHooks& hooks;
  UserPrompt& user;
  StatusPanes& panes;
  WaitCursor& cursor;
  KeyState& keys;
  TickClock& clock;
  ProgramState& program;
};

class ServiceCommands {
 public:
  // Service filters: application-level services and kernel-level drivers.
  static constexpr DWORD kApplicationServices = SERVICE_WIN32;  // 48
  static constexpr DWORD kKernelDrivers = SERVICE_DRIVER;       // 11

  // Access rights.
  static constexpr DWORD kManagerAccess = SC_MANAGER_ALL_ACCESS;  // 0xF003F
  static constexpr DWORD kReadAccess = GENERIC_READ;
  static constexpr DWORD kStartAccess = SERVICE_QUERY_STATUS | SERVICE_START;  // 0x14
  static constexpr DWORD kStopAccess = SERVICE_QUERY_STATUS | SERVICE_STOP;    // 0x24
  static constexpr DWORD kChangeAccess = SERVICE_CHANGE_CONFIG;
  static constexpr DWORD kDependencyAccess = SERVICE_QUERY_CONFIG;
  static constexpr DWORD kDeleteAccess = SC_MANAGER_ALL_ACCESS;  // includes DELETE

  // Polls: the longest wait for a start or a stop, the longest wait for the stop before a
  // delete, the pause between two status queries, and the pause before the check that a
  // deleted service is gone.
  static constexpr DWORD kStartStopTimeoutMs = 20000;
  static constexpr DWORD kStopBeforeDeleteTimeoutMs = 15000;
  static constexpr DWORD kPollIntervalMs = 100;
  static constexpr DWORD kDeleteCheckDelayMs = 500;

  // Buffers: the fixed description buffer, and the largest enumeration the refresh
  // accepts (a larger size is treated as a failed allocation).
  static constexpr DWORD kDescriptionBufferBytes = 4096;
  static constexpr DWORD kMaxEnumerationBytes = 16 * 1024 * 1024;

  // The start-type commands, in id order: automatic, boot, on demand, disabled, system.
  static constexpr UINT kFirstStartTypeCommand = 32777;
  static constexpr UINT kLastStartTypeCommand = 32781;

  explicit ServiceCommands(const ServiceCommandsParts& parts);
  ~ServiceCommands();
  ServiceCommands(const ServiceCommands&) = delete;
  ServiceCommands& operator=(const ServiceCommands&) = delete;

  // Connects to a machine (null or empty: the local machine) and lists its services.
  void Connect(const char* machine);
  // Rebuilds all rows from the manager's enumeration.
  void RefreshList();
  void StartServices();
  void StopServices();
  void DeleteServices();
  // One of the start-type commands (32777 to 32781); other ids do nothing.
  void SetStartType(UINT commandId);
  // Creates a service, switches the filter to its kind, refreshes and selects its row.
  void CreateNewService(const std::string& name, const std::string& displayName, const std::string& binaryPath,
                        DWORD serviceType, DWORD startType);
  // The names of the services and groups a service depends on, in order; empty when the
  // service cannot be opened or queried.
  std::vector<std::string> QueryDependencies(const std::string& name);
  // Sets status pane 1 to the number of rows.
  void UpdateCountPane();

  SC_HANDLE Manager() const { return manager_; }
  DWORD Filter() const { return filter_; }
  // Changes the filter; the caller refreshes when it wants the rows to follow.
  void SetFilter(DWORD filter) { filter_ = filter; }
  bool IsLocal() const { return local_; }

  // The find position of the view's find commands; every refresh resets it.
  int FindRow() const { return findRow_; }
  int FindColumn() const { return findColumn_; }
  void SetFindPosition(int row, int column) {
    findRow_ = row;
    findColumn_ = column;
  }

 private:
  enum class PollResult { kStopped, kTimedOut, kQueryFailed };

  void StartOne(int row);
  void StopOne(int row, WaitCursorScope& wait);
  void DeleteOne(int row, bool stopFirst, WaitCursorScope& wait);
  void FillRows(const BYTE* buffer, DWORD count, const std::vector<std::string>& keepSelected);
  void FillConfiguration(int row, const char* name, BYTE* description);
  // Polls a service that was asked to stop until it has stopped or the time is up. A
  // failed query closes the handle and reports it once.
  PollResult WaitForStop(ServiceHandle& service, const std::string& displayName, DWORD timeoutMs);
  void ClearStateCells(int row);
  void ReplaceManager(SC_HANDLE manager);

  void ShowError(const std::string& text);
  // Reports a failure whose message names the service and then gives the system's text.
  void ShowServiceError(const char* format, const std::string& displayName, DWORD error);
  // Reports the failed call just made on service with the system's text, the handle
  // closed first.
  void ReportServiceFailure(ServiceHandle& service, const char* format, const std::string& displayName);
  // Opens the service of a list row; a failure is reported with the row's display name
  // and answers an empty handle.
  ServiceHandle OpenRowService(int row, DWORD access, const std::string& displayName);

  ServiceApi& api_;
  ServiceList& list_;
  ViewHooks& hooks_;
  UserPrompt& user_;
  StatusPanes& panes_;
  WaitCursor& cursor_;
  KeyState& keys_;
  TickClock& clock_;
  ProgramState& program_;

  SC_HANDLE manager_ = nullptr;
  DWORD filter_ = kApplicationServices;
  bool local_ = false;
  int findRow_ = -1;
  int findColumn_ = -1;
};
