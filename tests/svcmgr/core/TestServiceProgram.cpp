// A tiny real Win32 service for the service-command tests. Its behaviour is chosen by
// the first argument of its binary path:
//   run              reports running; stops on SERVICE_CONTROL_STOP
//   stop-after-start stays start-pending briefly, then reports stopped and ends
//   never-running    stays start-pending; stops on SERVICE_CONTROL_STOP
//   slow-stop        reports running; on SERVICE_CONTROL_STOP stays stop-pending for a
//                    few seconds before it reports stopped
#include <windows.h>
#include <winsvc.h>

#include <cstring>

namespace {

enum class Mode { kRun, kStopAfterStart, kNeverRunning, kSlowStop };

constexpr DWORD kBriefPendingMs = 1000;
constexpr DWORD kSlowStopMs = 3000;

Mode g_mode = Mode::kRun;
SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;
SERVICE_STATUS g_status{};

void Report(DWORD state, DWORD accepted) {
  g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  g_status.dwCurrentState = state;
  g_status.dwControlsAccepted = accepted;
  g_status.dwWin32ExitCode = NO_ERROR;
  g_status.dwWaitHint = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ? 30000 : 0;
  ++g_status.dwCheckPoint;
  SetServiceStatus(g_statusHandle, &g_status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
      Report(SERVICE_STOP_PENDING, 0);
      SetEvent(g_stopEvent);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

void WINAPI ServiceMain(DWORD, char**) {
  g_statusHandle = RegisterServiceCtrlHandlerExA("", Handler, nullptr);
  if (!g_statusHandle) return;
  g_stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  Report(SERVICE_START_PENDING, 0);
  switch (g_mode) {
    case Mode::kStopAfterStart:
      Sleep(kBriefPendingMs);
      Report(SERVICE_STOPPED, 0);
      return;
    case Mode::kNeverRunning:
      Report(SERVICE_START_PENDING, SERVICE_ACCEPT_STOP);
      WaitForSingleObject(g_stopEvent, INFINITE);
      break;
    case Mode::kRun:
    case Mode::kSlowStop:
      Report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP);
      WaitForSingleObject(g_stopEvent, INFINITE);
      if (g_mode == Mode::kSlowStop) Sleep(kSlowStopMs);
      break;
  }
  Report(SERVICE_STOPPED, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    if (!strcmp(argv[1], "stop-after-start"))
      g_mode = Mode::kStopAfterStart;
    else if (!strcmp(argv[1], "never-running"))
      g_mode = Mode::kNeverRunning;
    else if (!strcmp(argv[1], "slow-stop"))
      g_mode = Mode::kSlowStop;
  }
  char name[] = "";
  SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
  return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
