#include "TamberWindow.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#ifndef TAMBER_EXE
#error TAMBER_EXE names the program under test
#endif
#ifndef MENU_PROBE_DLL
#error MENU_PROBE_DLL names the menu probe library
#endif
#ifndef TEST_SERVICE_EXE
#error TEST_SERVICE_EXE names the test service program
#endif

namespace {

constexpr DWORD kPollMs = 10;
constexpr DWORD kStartTimeoutMs = 15000;
constexpr DWORD kCloseTimeoutMs = 5000;
constexpr size_t kTextBytes = 4096;
constexpr char kDialogClass[] = "#32770";
constexpr char kTestPrefix[] = "TamberUi_";

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Without a window manager (Xvfb), Wine waits two seconds for one each time a managed
// window is hidden or destroyed. For the tests' run tamber.exe's windows are unmanaged
// (Wine's per-program X11 setting), and the setting goes again afterwards.
class UnmanagedWindows : public ::testing::Environment {
 public:
  void SetUp() override {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
      RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
      RegCloseKey(key);
    }
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kAppKey); }

 private:
  static constexpr char kAppKey[] = "Software\\Wine\\AppDefaults\\tamber.exe";
  static constexpr char kKey[] = "Software\\Wine\\AppDefaults\\tamber.exe\\X11 Driver";
};
::testing::Environment* const g_unmanaged = ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);

}  // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    // Messages sent to this thread's own windows are answered while it waits: the
    // program's window manager traffic (activation) waits for them otherwise.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&message);
  }
}

class TamberWindow::RemoteBlock {
 public:
  RemoteBlock(const TamberWindow& owner, size_t size) : owner_(owner) {
    address_ =
        static_cast<char*>(VirtualAllocEx(owner.process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(owner_.process_, address_, 0, MEM_RELEASE);
  }
  char* At(size_t offset) const { return address_ + offset; }
  LPARAM Param() const { return reinterpret_cast<LPARAM>(address_); }

 private:
  const TamberWindow& owner_;
  char* address_ = nullptr;
};

TamberWindow::~TamberWindow() { Close(); }

const char* TamberWindow::ProgramPath() { return TAMBER_EXE; }

bool TamberWindow::Launch() {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  std::string commandLine = std::string("\"") + ProgramPath() + "\"";
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  threadId_ = info.dwThreadId;
  processId_ = info.dwProcessId;
  return true;
}

bool TamberWindow::Start() {
  if (!Launch()) return false;
  const std::string title = Cp936(kTitleUtf8);
  bool ready = WaitUntil(
      [&] {
        HWND frame = FindWindowA(nullptr, title.c_str());
        DWORD owner = 0;
        if (frame) GetWindowThreadProcessId(frame, &owner);
        if (!frame || owner != processId_ || !IsWindowVisible(frame)) return false;
        frame_ = frame;
        list_ = FindWindowExA(frame, nullptr, WC_LISTVIEWA, nullptr);
        status_ = FindWindowExA(frame, nullptr, STATUSCLASSNAMEA, nullptr);
        return list_ && status_ && PaneText(1).rfind(Cp936("共"), 0) == 0;
      },
      kStartTimeoutMs);
  return ready;
}

void TamberWindow::Close() {
  if (!process_) return;
  // Message boxes left open by a failed test go first, then the window.
  for (HWND dialog; (dialog = FindDialog()) != nullptr;) {
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    if (!WaitUntil([&] { return !IsWindow(dialog); }, 1000)) break;
  }
  if (frame_) PostMessageA(frame_, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process_, kCloseTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, kCloseTimeoutMs);
  }
  CloseHandle(process_);
  process_ = nullptr;
  frame_ = list_ = status_ = nullptr;
}

void TamberWindow::Read(const void* remote, void* local, size_t size) const {
  SIZE_T done = 0;
  ReadProcessMemory(process_, remote, local, size, &done);
}

void TamberWindow::Write(void* remote, const void* local, size_t size) const {
  SIZE_T done = 0;
  WriteProcessMemory(process_, remote, local, size, &done);
}

int TamberWindow::RowCount() const { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }

std::string TamberWindow::Cell(int row, int column) const {
  RemoteBlock block(*this, sizeof(LVITEMA) + kTextBytes);
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = block.At(sizeof item);
  item.cchTextMax = static_cast<int>(kTextBytes);
  Write(block.At(0), &item, sizeof item);
  auto length = static_cast<size_t>(SendMessageA(list_, LVM_GETITEMTEXTA, row, block.Param()));
  std::string text(std::min(length, kTextBytes - 1), '\0');
  Read(block.At(sizeof item), text.data(), text.size());
  return text;
}

std::vector<std::string> TamberWindow::ColumnCells(int column) const {
  std::vector<std::string> cells;
  for (int row = 0, rows = RowCount(); row < rows; ++row) cells.push_back(Cell(row, column));
  return cells;
}

int TamberWindow::RowOf(const std::string& name) const {
  for (int row = 0, rows = RowCount(); row < rows; ++row) {
    if (Cell(row, 0) == name) return row;
  }
  return -1;
}

std::vector<int> TamberWindow::SelectedRows() const {
  std::vector<int> rows;
  for (int row = -1; (row = static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;) {
    rows.push_back(row);
  }
  return rows;
}

void TamberWindow::SelectOnly(const std::vector<int>& rows) {
  RemoteBlock block(*this, sizeof(LVITEMA));
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = 0;
  Write(block.At(0), &item, sizeof item);
  SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), block.Param());
  item.state = LVIS_SELECTED;
  Write(block.At(0), &item, sizeof item);
  for (int row : rows) SendMessageA(list_, LVM_SETITEMSTATE, row, block.Param());
}

int TamberWindow::ColumnCount() const {
  auto header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
  return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

ColumnInfo TamberWindow::Column(int column) const {
  RemoteBlock block(*this, sizeof(LVCOLUMNA) + kTextBytes);
  LVCOLUMNA info{};
  info.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  info.pszText = block.At(sizeof info);
  info.cchTextMax = static_cast<int>(kTextBytes);
  Write(block.At(0), &info, sizeof info);
  ColumnInfo result;
  if (!SendMessageA(list_, LVM_GETCOLUMNA, column, block.Param())) return result;
  Read(block.At(0), &info, sizeof info);
  char text[kTextBytes] = {};
  Read(block.At(sizeof info), text, sizeof text - 1);
  result.title = text;
  result.width = info.cx;
  result.format = info.fmt & LVCFMT_JUSTIFYMASK;
  return result;
}

void TamberWindow::ClickHeader(int column) {
  auto header = reinterpret_cast<HWND>(SendMessageA(list_, LVM_GETHEADER, 0, 0));
  RemoteBlock block(*this, sizeof(RECT));
  SendMessageA(header, HDM_GETITEMRECT, column, block.Param());
  RECT rect{};
  Read(block.At(0), &rect, sizeof rect);
  LPARAM point = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  // Sent, so that the sort has happened when this returns.
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageA(header, WM_LBUTTONUP, 0, point);
}

std::string TamberWindow::PaneText(int pane) const {
  // The length message counts characters, not bytes: read the whole block instead.
  RemoteBlock block(*this, kTextBytes);
  char zero = '\0';
  Write(block.At(kTextBytes - 1), &zero, 1);
  SendMessageA(status_, SB_GETTEXTA, pane, block.Param());
  std::string text(kTextBytes, '\0');
  Read(block.At(0), text.data(), text.size());
  text.resize(strlen(text.c_str()));
  return text;
}

void TamberWindow::Command(UINT id) { PostMessageA(frame_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void TamberWindow::PressKey(WORD key, bool ctrl) {
  SetForegroundWindow(frame_);
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  if (ctrl) add(VK_CONTROL, false);
  add(key, false);
  add(key, true);
  if (ctrl) add(VK_CONTROL, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

HWND TamberWindow::FindDialog(const std::string& text) const {
  struct Search {
    DWORD processId;
    const std::string* text;
    HWND found;
  } search{processId_, &text, nullptr};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char className[32] = {};
        GetClassNameA(window, className, sizeof className);
        if (owner != s->processId || strcmp(className, kDialogClass) != 0 || !IsWindowVisible(window)) return TRUE;
        if (s->text->empty() || WindowText(window).find(*s->text) != std::string::npos ||
            DialogText(window).find(*s->text) != std::string::npos) {
          s->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND TamberWindow::WaitForDialog(const std::string& text, DWORD timeoutMs) const {
  HWND dialog = nullptr;
  WaitUntil([&] { return (dialog = FindDialog(text)) != nullptr; }, timeoutMs);
  return dialog;
}

std::string TamberWindow::DialogText(HWND dialog) {
  // A message box shows its text in a static control (whose id differs between systems).
  std::string text;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM param) -> BOOL {
        char className[32] = {};
        GetClassNameA(child, className, sizeof className);
        if (_stricmp(className, "Static") == 0) *reinterpret_cast<std::string*>(param) += WindowText(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&text));
  return text;
}

HWND TamberWindow::FileNameEdit(HWND fileDialog) {
  constexpr int kFileNameBox = 0x47c;
  HWND box = fileDialog ? GetDlgItem(fileDialog, kFileNameBox) : nullptr;
  HWND combo = box ? FindWindowExA(box, nullptr, "ComboBox", nullptr) : nullptr;
  return combo ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
}

bool TamberWindow::Answer(HWND dialog, int button) {
  HWND control = GetDlgItem(dialog, button);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
  return WaitUntil([&] { return !IsWindow(dialog); });
}

TestServices::TestServices() { manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }

TestServices::~TestServices() {
  for (const std::string& name : created_) {
    SC_HANDLE service = OpenServiceA(manager_, name.c_str(), SERVICE_ALL_ACCESS);
    if (!service) continue;
    SERVICE_STATUS status{};
    if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
      ControlService(service, SERVICE_CONTROL_STOP, &status);
      WaitUntil([&] { return QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED; });
    }
    DeleteService(service);
    CloseServiceHandle(service);
  }
  if (manager_) CloseServiceHandle(manager_);
}

std::string TestServices::DisplayNameOf(const std::string& name) { return Cp936("界面测试 ") + name; }

namespace {
std::string NewServiceName() {
  static int counter = 0;
  return kTestPrefix + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
}
}  // namespace

std::string TestServices::ProgramPath() {
  // With backslashes, as the system writes paths: a '/' starts a switch for the file
  // path rules.
  std::string path = "\"" TEST_SERVICE_EXE "\" run";
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string TestServices::AdoptNew() {
  created_.push_back(NewServiceName());
  return created_.back();
}

std::string TestServices::Create(const std::string& description, DWORD startType) {
  std::string name = NewServiceName();
  std::string path = ProgramPath();
  SC_HANDLE service =
      CreateServiceA(manager_, name.c_str(), DisplayNameOf(name).c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                     startType, SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!service) return {};
  created_.push_back(name);
  if (!description.empty()) {
    SERVICE_DESCRIPTIONA text{const_cast<char*>(description.c_str())};
    ChangeServiceConfig2A(service, SERVICE_CONFIG_DESCRIPTION, &text);
  }
  CloseServiceHandle(service);
  return name;
}

bool TestServices::Exists(const std::string& name) const {
  SC_HANDLE service = OpenServiceA(manager_, name.c_str(), GENERIC_READ);
  if (service) CloseServiceHandle(service);
  return service != nullptr;
}

DWORD TestServices::StartType(const std::string& name) const {
  DWORD type = static_cast<DWORD>(-1);
  SC_HANDLE service = OpenServiceA(manager_, name.c_str(), SERVICE_QUERY_CONFIG);
  if (!service) return type;
  DWORD needed = 0;
  QueryServiceConfigA(service, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed + 64);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
  if (QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed)) type = config->dwStartType;
  CloseServiceHandle(service);
  return type;
}

DWORD TestServices::State(const std::string& name) const {
  SERVICE_STATUS status{};
  SC_HANDLE service = OpenServiceA(manager_, name.c_str(), SERVICE_QUERY_STATUS);
  if (!service) return 0;
  QueryServiceStatus(service, &status);
  CloseServiceHandle(service);
  return status.dwCurrentState;
}

MenuReader::MenuReader(DWORD threadId) {
  mapping_ =
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(MenuProbeBlock), kMenuProbeBlock);
  if (mapping_) {
    block_ = static_cast<MenuProbeBlock*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(MenuProbeBlock)));
  }
  probe_ = LoadLibraryA(MENU_PROBE_DLL);
  auto hook = probe_ ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(probe_, kMenuProbeHookName)))
                     : nullptr;
  if (hook) hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, hook, probe_, threadId);
}

MenuReader::~MenuReader() {
  if (hook_) UnhookWindowsHookEx(hook_);
  if (probe_) FreeLibrary(probe_);
  if (block_) UnmapViewOfFile(block_);
  if (mapping_) CloseHandle(mapping_);
}

std::vector<MenuProbeItem> MenuReader::WaitForMenu(LONG sequence, DWORD timeoutMs) const {
  std::vector<MenuProbeItem> items;
  if (!block_ || !WaitUntil([&] { return block_->sequence != sequence; }, timeoutMs)) return items;
  items.assign(block_->items, block_->items + std::min(block_->count, MenuProbeBlock::kMaxItems));
  return items;
}

const MenuProbeItem* FindItem(const std::vector<MenuProbeItem>& items, UINT id) {
  for (const MenuProbeItem& item : items) {
    if (item.id == id) return &item;
  }
  return nullptr;
}
