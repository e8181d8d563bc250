// CFrameWnd: the main window of a single-document program. It carries the menu and the
// accelerators of its resource id, holds the view in its client area above the status
// bar, titles itself "document - application", shows the status-bar prompt of the
// highlighted menu item in pane 0 (the idle text otherwise), updates menu items through
// their ON_UPDATE_COMMAND_UI handlers when a popup opens, and routes commands to the
// view (and its document), then itself, then the application.
#pragma once

#include <string>

#include "framework/CStatusBar.h"
#include "framework/CWnd.h"

class CDocument;
class CView;

class CFrameWnd : public CWnd {
 public:
  // Loads the menu, accelerators, icon and title (first field of the string resource of
  // the same id) and creates the frame with the view.
  bool LoadFrame(UINT resourceId, CDocument* document, CView* view);
  void UpdateFrameTitle();
  HACCEL GetAccelerators() const { return accelerators_; }
  CView* GetActiveView() const { return view_; }

  // The status bar child (id 59393), if there is one.
  CStatusBar* GetStatusBar() const;
  // Pane 0's text.
  void SetMessageText(const char* text);
  // A string resource's prompt: the text before "\n" (empty when there is none).
  static std::string LoadPrompt(UINT id);
  // Idle work: puts the idle text back once no menu is open.
  void OnIdleUpdate();

  bool OnCmdMsg(UINT id, CommandCode code, CCmdUI* ui) override;

  // The idle text of pane 0 and the frame's status-bar command.
  static constexpr UINT kIdleMessageId = 57345;
  static constexpr UINT kStatusBarCommand = 59393;

 protected:
  LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
  LRESULT OnSize(WPARAM wParam, LPARAM lParam);
  LRESULT OnSetFocus(WPARAM wParam, LPARAM lParam);
  LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
  LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
  LRESULT OnClose(WPARAM wParam, LPARAM lParam);
  LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
  void OnBarCheck();
  void OnUpdateBarCheck(CCmdUI* ui);
  void RecalcLayout();

  DECLARE_MESSAGE_MAP()

 private:
  CView* view_ = nullptr;
  CDocument* document_ = nullptr;
  HACCEL accelerators_ = nullptr;
  std::string frameTitle_;
  bool menuOpen_ = false;
  bool promptShown_ = false;
};
