#include "framework/CWinApp.h"

#include <cstdlib>
#include <cstring>

#include "framework/CFrameWnd.h"

namespace {
CWinApp* g_app = nullptr;
constexpr char kDialogClass[] = "#32770";
}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCommandTarget)
ON_COMMAND(kExitCommand, OnAppExit)
END_MESSAGE_MAP()

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
  template_.reset();
  if (g_app == this) g_app = nullptr;
}

CWinApp* CWinApp::Get() { return g_app; }

std::string CWinApp::AppTitle() const { return CFrameWnd::LoadPrompt(kAppTitleId); }

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate) { template_ = std::move(docTemplate); }

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const {
  for (int i = 1; i < __argc; ++i) {
    const char* param = __argv[i];
    bool flag = param[0] == '/' || param[0] == '-';
    info.ParseParam(flag ? param + 1 : param, flag, i + 1 == __argc);
  }
}

bool CWinApp::ProcessShellCommand(const CCommandLineInfo& info) {
  switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew: return template_ && template_->OpenDocumentFile(nullptr);
    case CCommandLineInfo::FileOpen: return template_ && template_->OpenDocumentFile(info.m_strFileName.c_str());
    case CCommandLineInfo::FileNothing: return true;
  }
  return false;
}

bool CWinApp::PreTranslateMessage(MSG& message) {
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (!root) return false;
  if (m_pMainWnd && root == m_pMainWnd->GetSafeHwnd()) {
    HACCEL accelerators = m_pMainWnd->GetAccelerators();
    return accelerators && TranslateAcceleratorA(root, accelerators, &message);
  }
  char className[16];
  if (GetClassNameA(root, className, sizeof className) && strcmp(className, kDialogClass) == 0) {
    return IsDialogMessageA(root, &message) != 0;
  }
  return false;
}

bool CWinApp::OnIdle(LONG count) {
  if (count == 0 && m_pMainWnd) m_pMainWnd->OnIdleUpdate();
  return false;  // no more idle work
}

int CWinApp::Run() {
  MSG message;
  LONG idleCount = 0;
  for (;;) {
    while (!PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
      if (!OnIdle(idleCount++)) break;
    }
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    idleCount = 0;
    if (!PreTranslateMessage(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  exitCode_ = message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
  return ExitInstance();
}

void CWinApp::OnAppExit() {
  if (m_pMainWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

int AfxWinMain(HINSTANCE instance) {
  CWinApp* app = CWinApp::Get();
  if (!app) return -1;
  app->m_hInstance = instance;
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}
