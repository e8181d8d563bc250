// Puts the running tamber.exe into the state a screenshot shows (scripts/screenshot.sh):
//   columns  scrolls the service list to its right end, where the file-version columns are
//   create   opens the create dialog (posted: the dialog stays open after this ends)
// The optional second argument names the desktop the program runs on (Wine's named
// desktop of the screenshot). Answers 0 when the state was reached.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

namespace {

constexpr DWORD kTimeoutMs = 15000;
constexpr DWORD kPollMs = 50;
constexpr int kFarRight = 10000;
constexpr UINT kCreateCommand = 57600;

HWND FindFrame() {
  for (DWORD waited = 0; waited < kTimeoutMs; waited += kPollMs) {
    HWND frame = nullptr;
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          char title[256] = {};
          GetWindowTextA(window, title, sizeof title);
          if (strncmp(title, "Corvel", 6) != 0 || !IsWindowVisible(window)) return TRUE;
          *reinterpret_cast<HWND*>(param) = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&frame));
    if (frame) return frame;
    Sleep(kPollMs);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (argc > 2) {
    HDESK desktop = OpenDesktopA(argv[2], 0, FALSE, GENERIC_ALL);
    if (!desktop || !SetThreadDesktop(desktop)) return 3;
  }
  HWND frame = FindFrame();
  if (!frame) return 1;
  if (strcmp(argv[1], "columns") == 0) {
    HWND list = FindWindowExA(frame, nullptr, WC_LISTVIEWA, nullptr);
    if (!list) return 1;
    SendMessageA(list, LVM_SCROLL, kFarRight, 0);
    return 0;
  }
  if (strcmp(argv[1], "create") == 0) {
    PostMessageA(frame, WM_COMMAND, MAKEWPARAM(kCreateCommand, 0), 0);
    return 0;
  }
  return 2;
}
