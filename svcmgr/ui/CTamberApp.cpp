#include "ui/CTamberApp.h"

#include <commctrl.h>
#include <winsvc.h>

#include <string>

#include "core/ServiceCommands.h"
#include "core/TamberText.h"
#include "res/Resource.h"
#include "ui/CAboutDlg.h"
#include "ui/CMainFrame.h"
#include "ui/CTamberDoc.h"
#include "ui/CTamberView.h"

namespace {
constexpr DWORD kNotNtFamily = 0x80000000;
}  // namespace

BEGIN_MESSAGE_MAP(CTamberApp, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

bool CTamberApp::InitInstance() {
  using namespace tamber_text;
  // 1. One instance: a second start brings the first window forward and ends.
  const std::string title = std::string(kDocumentTitle) + " - " + kAppTitle;
  if (HWND running = FindWindowA(nullptr, title.c_str())) {
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return false;
  }
  // 2. The NT family only.
  if (GetVersion() & kNotNtFamily) {
    MessageBoxA(nullptr, kMsgPlatformTooOld, nullptr, MB_OK | MB_ICONERROR);
    return false;
  }
  // 3. The local service manager must open with every right.
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, ServiceCommands::kManagerAccess);
  if (!manager) {
    MessageBoxA(nullptr, kMsgNoManagerAccess, nullptr, MB_OK | MB_ICONERROR);
    return false;
  }
  CloseServiceHandle(manager);

  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);

  // 4. The document template; 5. the command line, which makes document, frame and view.
  AddDocTemplate(CSingleDocTemplate::Make<CTamberDoc, CMainFrame, CTamberView>(IDR_MAINFRAME));
  CCommandLineInfo commandLine;
  ParseCommandLine(commandLine);
  if (!ProcessShellCommand(commandLine)) return false;

  // 6. Show the window.
  ShowWindow(m_pMainWnd->GetSafeHwnd(), SW_SHOW);
  UpdateWindow(m_pMainWnd->GetSafeHwnd());
  return true;
}

void CTamberApp::OnAppAbout() {
  CAboutDlg dialog(m_pMainWnd);
  dialog.DoModal();
}
