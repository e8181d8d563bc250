// CWinApp: the program object. One exists; AfxWinMain runs its InitInstance and, when
// that succeeds, its message loop, which translates the main frame's accelerators, lets
// modeless dialogs handle their keys and does idle work when the queue runs empty.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "framework/CCommandLineInfo.h"
#include "framework/CCommandTarget.h"
#include "framework/CSingleDocTemplate.h"

class CFrameWnd;

class CWinApp : public CCommandTarget {
 public:
  // The application title (string 57344) and the framework's exit command.
  static constexpr UINT kAppTitleId = 57344;
  static constexpr UINT kExitCommand = 57665;

  CWinApp();
  ~CWinApp() override;
  static CWinApp* Get();

  virtual bool InitInstance() { return true; }
  virtual int ExitInstance() { return exitCode_; }
  int Run();
  virtual bool OnIdle(LONG count);

  void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate);
  void ParseCommandLine(CCommandLineInfo& info) const;
  bool ProcessShellCommand(const CCommandLineInfo& info);
  std::string AppTitle() const;

  HINSTANCE m_hInstance = nullptr;
  CFrameWnd* m_pMainWnd = nullptr;

 protected:
  bool PreTranslateMessage(MSG& message);
  void OnAppExit();

  DECLARE_MESSAGE_MAP()

 private:
  std::unique_ptr<CSingleDocTemplate> template_;
  int exitCode_ = 0;
};

// The program's entry: InitInstance, then the message loop; answers the exit code.
int AfxWinMain(HINSTANCE instance);
