#include "ui/RegistryEditor.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "core/BinaryPath.h"
#include "core/ErrorText.h"
#include "core/TamberText.h"
#include "core/TextRules.h"
#include "core/WindowSearch.h"

namespace RegistryEditor {

namespace {

using namespace tamber_text;

constexpr char kEditorFile[] = "Regedit.EXE";
constexpr char kEditorClass[] = "RegEdit_RegEdit";
constexpr DWORD kIdleTimeoutMs = 10000;
constexpr DWORD kStepPauseMs = 10;
constexpr DWORD kProcessAccess = PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE;  // 0x38
// The block in the editor's process: a TVITEMA at its start, the item text from offset 40.
constexpr size_t kBlockBytes = 552;
constexpr size_t kTextOffset = 40;
constexpr size_t kTextBytes = 512;

void ShowError(HWND owner, const char* text, bool withSystemText) {
  std::string message = text;
  if (withSystemText) message += ErrorText();
  MessageBoxA(owner, message.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
}

class RemoteBlock {
 public:
  explicit RemoteBlock(HANDLE process) : process_(process) {
    address_ = static_cast<char*>(VirtualAllocEx(process, nullptr, kBlockBytes, MEM_COMMIT, PAGE_READWRITE));
  }
  ~RemoteBlock() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;
  char* Address() const { return address_; }

  // The text of a tree item, read through the block.
  std::string ItemText(HWND tree, HTREEITEM item) const {
    TVITEMA info{};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = address_ + kTextOffset;
    info.cchTextMax = static_cast<int>(kTextBytes);
    SIZE_T done = 0;
    // The text field lies within the first 40 bytes whatever the pointer size.
    static_assert(offsetof(TVITEMA, cchTextMax) + sizeof(int) <= kTextOffset);
    WriteProcessMemory(process_, address_, &info, kTextOffset, &done);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(address_));
    char text[kTextBytes + 1] = {};
    ReadProcessMemory(process_, address_ + kTextOffset, text, kTextBytes, &done);
    return text;
  }

 private:
  HANDLE process_;
  char* address_ = nullptr;
};

HTREEITEM NextItem(HWND tree, HTREEITEM item, UINT relation) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

}  // namespace

std::vector<std::string> ServiceKeyPath(const std::string& serviceName) {
  return {"HKEY_LOCAL_MACHINE", "SYSTEM", "CurrentControlSet", "Services", serviceName};
}

void ShowServiceKey(HWND owner, const std::string& serviceName) {
  char editor[MAX_PATH + 1] = {};
  std::string directory = BinaryPath::WindowsDirectory();
  lstrcpynA(editor, directory.c_str(), MAX_PATH);
  PathAppendA(editor, kEditorFile);

  SHELLEXECUTEINFOA start{};
  start.cbSize = sizeof start;
  start.fMask = SEE_MASK_NOCLOSEPROCESS;
  start.hwnd = owner;
  start.lpVerb = "open";
  start.lpFile = editor;
  start.nShow = SW_SHOWDEFAULT;
  if (!ShellExecuteExA(&start)) {
    ShowError(owner, kMsgRegeditStartFailed, true);
    return;
  }
  if (start.hProcess) {
    WaitForInputIdle(start.hProcess, kIdleTimeoutMs);
    CloseHandle(start.hProcess);
  }

  HWND main = FindWindowExA(nullptr, nullptr, kEditorClass, nullptr);
  // Wine's editor keeps its tree in a child window of the main window, not in the main
  // window itself.
  HWND tree = main ? FindDescendantOfClass(main, WC_TREEVIEWA) : nullptr;
  if (!tree) {
    ShowError(owner, kMsgRegeditWindowMissing, false);
    return;
  }
  DWORD processId = 0;
  GetWindowThreadProcessId(tree, &processId);
  HANDLE process = OpenProcess(kProcessAccess, FALSE, processId);
  if (!process) {
    ShowError(owner, kMsgRegeditOpenFailed, true);
    return;
  }
  {
    RemoteBlock block(process);
    if (!block.Address()) {
      std::string message = std::string(kMsgRegeditAllocFailed) + ErrorText();
      CloseHandle(process);
      MessageBoxA(owner, message.c_str(), kAppTitle, MB_OK | MB_ICONERROR);
      return;
    }
    HTREEITEM current = NextItem(tree, nullptr, TVGN_ROOT);
    for (const std::string& step : ServiceKeyPath(serviceName)) {
      HTREEITEM match = nullptr;
      for (HTREEITEM child = NextItem(tree, current, TVGN_CHILD); child; child = NextItem(tree, child, TVGN_NEXT)) {
        if (EqualsNoCaseDbcs(block.ItemText(tree, child), step)) {
          match = child;
          break;
        }
      }
      if (!match) {
        MessageBeep(MB_OK);
        break;
      }
      SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(match));
      SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(match));
      current = match;
      Sleep(kStepPauseMs);
    }
  }
  CloseHandle(process);
}

}  // namespace RegistryEditor
