// Refresh of the real service list: creates extra services for the run, refreshes the
// list again and again, and prints the time per refresh and per service and the service
// API calls each service costs. The extra services are deleted afterwards. With a
// display it also measures tamber.exe itself: the time from its start to a filled list
// (before the extra services exist), and one F5 in its window with them, beside the
// refresh in memory of the same run.
//   bench_tamber_refresh [extra services (200)] [refreshes (15)]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/ServiceCommands.h"
#include "core/ServiceRow.h"
#include "core/Win32ServiceApi.h"
#include "core/Win32ServiceList.h"
#include "core/Win32TickClock.h"

namespace {

constexpr char kPrefix[] = "TamberBench_";

// The real manager, counting the calls a refresh makes.
class CountingApi : public Win32ServiceApi {
 public:
  BOOL EnumServicesStatusExA(SC_HANDLE m, SC_ENUM_TYPE l, DWORD t, DWORD s, BYTE* b, DWORD size, DWORD* n, DWORD* r,
                             DWORD* resume, const char* g) override {
    ++calls["EnumServicesStatusExA"];
    return Win32ServiceApi::EnumServicesStatusExA(m, l, t, s, b, size, n, r, resume, g);
  }
  SC_HANDLE OpenServiceA(SC_HANDLE m, const char* name, DWORD access) override {
    ++calls["OpenServiceA"];
    return Win32ServiceApi::OpenServiceA(m, name, access);
  }
  BOOL QueryServiceConfigA(SC_HANDLE s, QUERY_SERVICE_CONFIGA* c, DWORD size, DWORD* n) override {
    ++calls["QueryServiceConfigA"];
    return Win32ServiceApi::QueryServiceConfigA(s, c, size, n);
  }
  BOOL QueryServiceConfig2A(SC_HANDLE s, DWORD level, BYTE* b, DWORD size, DWORD* n) override {
    ++calls["QueryServiceConfig2A"];
    return Win32ServiceApi::QueryServiceConfig2A(s, level, b, size, n);
  }
  BOOL CloseServiceHandle(SC_HANDLE h) override {
    ++calls["CloseServiceHandle"];
    return Win32ServiceApi::CloseServiceHandle(h);
  }
  std::map<std::string, long> calls;
};

// The list in memory: rows in name order, as the list control keeps them.
class MemoryList : public ServiceList {
 public:
  int InsertRow(const std::string& name) override {
    auto at = std::upper_bound(rows_.begin(), rows_.end(), name, [](const std::string& n, const Row& row) {
      return lstrcmpiA(n.c_str(), row.cells[0].c_str()) < 0;
    });
    Row row;
    row.cells.resize(ServiceRow::kFixedColumnCount);
    row.cells[0] = name;
    auto inserted = rows_.insert(at, std::move(row));
    return static_cast<int>(inserted - rows_.begin());
  }
  void SetCell(int row, int column, const std::string& text) override { rows_[row].cells[column] = text; }
  std::string GetCell(int row, int column) const override { return rows_[row].cells[column]; }
  void SetSelected(int row, bool selected) override { rows_[row].selected = selected; }
  int NextSelected(int after) const override {
    for (int row = after + 1; row < RowCount(); ++row) {
      if (rows_[row].selected) return row;
    }
    return -1;
  }
  void DeleteRow(int row) override { rows_.erase(rows_.begin() + row); }
  void DeleteAllRows() override { rows_.clear(); }
  int RowCount() const override { return static_cast<int>(rows_.size()); }
  int TopIndex() const override { return 0; }
  int RowsPerPage() const override { return 30; }
  void EnsureVisible(int, bool) override {}
  void SetVisible(bool) override {}
  void RepaintNow() override {}
  void AutoSizeColumn(int) override {}
  HWND Window() const override { return nullptr; }

 private:
  struct Row {
    std::vector<std::string> cells;
    bool selected = false;
  };
  std::vector<Row> rows_;
};

class QuietView : public ViewHooks, public UserPrompt, public StatusPanes, public WaitCursor, public KeyState {
 public:
  int FillFileInfo() override { return 0; }
  void SortRows() override {}
  int Show(const char* text, const char*, UINT) override {
    fprintf(stderr, "message: %s\n", text);
    ++messages;
    return IDOK;
  }
  void SetPaneText(int, const char*) override {}
  void Begin() override {}
  void End() override {}
  bool IsCtrlDown() override { return false; }
  int messages = 0;
};

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void DeleteBenchServices(SC_HANDLE manager) {
  DWORD needed = 0, count = 0, resume = 0;
  EnumServicesStatusExA(manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, nullptr, 0, &needed, &count,
                        &resume, nullptr);
  std::vector<BYTE> buffer(needed + 4096);
  resume = 0;
  if (!EnumServicesStatusExA(manager, SC_ENUM_PROCESS_INFO, SERVICE_WIN32, SERVICE_STATE_ALL, buffer.data(),
                             static_cast<DWORD>(buffer.size()), &needed, &count, &resume, nullptr)) {
    return;
  }
  auto* entries = reinterpret_cast<ENUM_SERVICE_STATUS_PROCESSA*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (strncmp(entries[i].lpServiceName, kPrefix, sizeof kPrefix - 1) != 0) continue;
    if (SC_HANDLE service = OpenServiceA(manager, entries[i].lpServiceName, DELETE)) {
      DeleteService(service);
      CloseServiceHandle(service);
    }
  }
}

struct Run {
  double medianMs;
  int rows;
  std::map<std::string, long> calls;  // per refresh
};

// The service commands over one list, refreshed on demand.
class Refresher {
 public:
  explicit Refresher(ServiceList& list)
      : list_(list), commands_(ServiceCommandsParts{api_, list, view_, view_, view_, view_, view_, clock_, program_}) {
    commands_.Connect(nullptr);  // the first refresh warms up
    api_.calls.clear();
  }
  void Once() {
    double start = NowMs();
    commands_.RefreshList();
    times_.push_back(NowMs() - start);
  }
  Run Summary() const {
    Run run{Median(times_), list_.RowCount(), {}};
    for (auto& [name, count] : api_.calls) run.calls[name] = count / static_cast<long>(times_.size());
    if (view_.messages) fprintf(stderr, "%d messages shown\n", view_.messages);
    return run;
  }

 private:
  ServiceList& list_;
  CountingApi api_;
  QuietView view_;
  Win32TickClock clock_;
  ProgramState program_;
  ServiceCommands commands_;
  std::vector<double> times_;
};

void Print(const char* what, const Run& run) {
  printf("%-22s %4d rows  %8.2f ms per refresh (median)  %7.3f ms per service\n", what, run.rows, run.medianMs,
         run.medianMs / run.rows);
  printf("%-22s service API calls per service:", "");
  for (const char* name : {"OpenServiceA", "QueryServiceConfigA", "QueryServiceConfig2A", "CloseServiceHandle"}) {
    auto found = run.calls.find(name);
    printf(" %s %.2f", name, found == run.calls.end() ? 0.0 : static_cast<double>(found->second) / run.rows);
  }
  auto enumerations = run.calls.find("EnumServicesStatusExA");
  printf("; EnumServicesStatusExA %ld per refresh\n", enumerations == run.calls.end() ? 0L : enumerations->second);
}

// tamber.exe, started and driven from outside.
constexpr UINT kRefreshCommand = 32773;
constexpr int kStarts = 7;

std::string TitleText() { return std::string("Corvel - ") + "Windows \xb7\xfe\xce\xf1\xb9\xdc\xc0\xed\xc6\xf7"; }

struct Program {
  PROCESS_INFORMATION info{};
  HWND frame = nullptr;
  HWND status = nullptr;

  // Starts the program and answers the milliseconds until its count pane has text.
  double Start() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"" TAMBER_EXE "\"";
    double start = NowMs();
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      return -1;
    }
    for (;;) {
      if (NowMs() - start > 30000) return -1;
      if (!frame) {
        HWND found = FindWindowA(nullptr, TitleText().c_str());
        DWORD owner = 0;
        if (found) GetWindowThreadProcessId(found, &owner);
        if (found && owner == info.dwProcessId) frame = found;
      }
      if (frame && !status) status = FindWindowExA(frame, nullptr, STATUSCLASSNAMEA, nullptr);
      if (status && LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, 1, 0)) > 0 && IsWindowVisible(frame)) {
        return NowMs() - start;
      }
      Sleep(1);
    }
  }
  // The time of one refresh command, sent so that it returns when the list is refilled.
  double Refresh() const {
    double start = NowMs();
    SendMessageA(frame, WM_COMMAND, kRefreshCommand, 0);
    return NowMs() - start;
  }
  ~Program() {
    if (!info.hProcess) return;
    if (frame) PostMessageA(frame, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
};

}  // namespace

int main(int argc, char** argv) {
  int extra = argc > 1 ? atoi(argv[1]) : 200;
  int refreshes = argc > 2 ? atoi(argv[2]) : 15;
  if (extra < 0 || refreshes < 1) {
    fprintf(stderr, "usage: bench_tamber_refresh [extra services] [refreshes]\n");
    return 2;
  }

  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (!manager) {
    fprintf(stderr, "OpenSCManagerA failed: %lu\n", GetLastError());
    return 1;
  }
  DeleteBenchServices(manager);  // left over from an interrupted run

  // Start to filled list, with this machine's own services; the first start warms up.
  bool display = GetSystemMetrics(SM_CXSCREEN) > 0;
  std::vector<double> starts;
  for (int i = 0; display && i <= kStarts; ++i) {
    Program program;
    double ms = program.Start();
    if (ms < 0) {
      fprintf(stderr, "tamber.exe did not show its list\n");
      break;
    }
    if (i > 0) starts.push_back(ms);
  }
  for (int i = 0; i < extra; ++i) {
    char name[64], display[64], description[64];
    snprintf(name, sizeof name, "%s%03d", kPrefix, i);
    snprintf(display, sizeof display, "Tamber bench service %03d", i);
    snprintf(description, sizeof description, "Refresh benchmark service number %d", i);
    SC_HANDLE service =
        CreateServiceA(manager, name, display, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                       SERVICE_ERROR_NORMAL, "\"C:\\windows\\system32\\notepad.exe\" /service", nullptr, nullptr,
                       nullptr, nullptr, nullptr);
    if (!service) {
      fprintf(stderr, "CreateServiceA %s failed: %lu\n", name, GetLastError());
      DeleteBenchServices(manager);
      return 1;
    }
    SERVICE_DESCRIPTIONA text{description};
    ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &text);
    CloseServiceHandle(service);
  }
  printf("%d extra services, %d refreshes each\n", extra, refreshes);

  // The three refreshes take turns, so that they share whatever else the machine does.
  MemoryList memory;
  Refresher inMemory(memory);

  // The same with the real list control, when a display is there for it.
  INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&init);
  HWND parent = display ? CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                          GetModuleHandleA(nullptr), nullptr)
                        : nullptr;
  HWND control = parent ? CreateWindowExA(0, WC_LISTVIEWA, "",
                                          WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SORTASCENDING, 0,
                                          0, 780, 560, parent, nullptr, GetModuleHandleA(nullptr), nullptr)
                        : nullptr;
  std::unique_ptr<Win32ServiceList> controlList;
  std::unique_ptr<Refresher> withControl;
  if (control) {
    for (int column = 0; column < ServiceRow::kFixedColumnCount; ++column) {
      LVCOLUMNA info{};
      info.mask = LVCF_TEXT | LVCF_WIDTH;
      info.cx = 80;
      info.pszText = const_cast<char*>(ServiceRow::ColumnTitle(column));
      SendMessageA(control, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&info));
    }
    controlList = std::make_unique<Win32ServiceList>(control);
    withControl = std::make_unique<Refresher>(*controlList);
  }
  std::unique_ptr<Program> window;
  if (!starts.empty()) {
    window = std::make_unique<Program>();
    if (window->Start() < 0) {
      window.reset();
    } else {
      window->Refresh();  // warms up
    }
  }

  // Each round starts with another of the three, so that none always follows the same.
  std::vector<double> windowTimes;
  for (int i = 0; i < refreshes; ++i) {
    for (int turn = 0; turn < 3; ++turn) {
      switch ((i + turn) % 3) {
        case 0: inMemory.Once(); break;
        case 1:
          if (withControl) withControl->Once();
          break;
        case 2:
          if (window) windowTimes.push_back(window->Refresh());
          break;
      }
    }
  }

  Run memoryRun = inMemory.Summary();
  Print("list in memory", memoryRun);
  if (withControl) {
    Print("list control", withControl->Summary());
  } else {
    printf("list control: no display, not measured\n");
  }
  if (!starts.empty()) {
    printf("%-22s %8.2f ms from start to a filled list (median of %zu starts, without the extra services)\n",
           "tamber.exe", Median(starts), starts.size());
  }
  if (window) {
    int rows = static_cast<int>(
        SendMessageA(FindWindowExA(window->frame, nullptr, WC_LISTVIEWA, nullptr), LVM_GETITEMCOUNT, 0, 0));
    double median = Median(windowTimes);
    printf("%-22s %4d rows  %8.2f ms per F5 (median)  %7.3f ms per service; %.2f times the refresh in memory\n",
           "tamber.exe window", rows, median, median / rows, median / memoryRun.medianMs);
  }
  window.reset();
  withControl.reset();
  if (parent) DestroyWindow(parent);

  DeleteBenchServices(manager);
  CloseServiceHandle(manager);
  return 0;
}
