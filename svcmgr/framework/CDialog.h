// CDialog: a modal dialog made from a dialog template of the program's resources. The
// dialog window is attached to the object from WM_INITDIALOG on, so its message map
// sees the window's messages; a button click (BN_CLICKED) reaches the map's ON_COMMAND
// handler of the button's id, while IDOK and IDCANCEL go to OnOK and OnCancel. Data
// moves between members and controls through DoDataExchange (UpdateData).
#pragma once

#include <windows.h>

#include <string>

#include "framework/CWnd.h"

class CDataExchange;

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, CWnd* parent = nullptr) : templateId_(templateId), parent_(parent) {}

  // Shows the dialog and answers the result EndDialog gave (IDOK, IDCANCEL), or -1 when
  // the dialog could not be made.
  INT_PTR DoModal();
  void EndDialog(int result);

  // Moves the members into the controls (false) or the controls' values into the members
  // (true). Answers false when a value was refused; the control at fault has the focus.
  bool UpdateData(bool saveAndValidate = true);

  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  std::string GetDlgItemText(int id) const;
  void SetDlgItemText(int id, const char* text) { ::SetDlgItemTextA(m_hWnd, id, text); }
  void CheckRadioButton(int first, int last, int id) { ::CheckRadioButton(m_hWnd, first, last, id); }
  bool IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
  void EnableItem(int id, bool enable) { ::EnableWindow(GetDlgItem(id), enable); }
  void FocusItem(int id) { ::SetFocus(GetDlgItem(id)); }
  LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendDlgItemMessageA(m_hWnd, id, message, wParam, lParam);
  }
  // A message box owned by the dialog.
  int MessageBox(const char* text, const char* caption, UINT type) {
    return ::MessageBoxA(m_hWnd, text, caption, type);
  }

 protected:
  // Called when the controls exist: fills them from the members. Answers true to let
  // the system focus the first control, false when it set the focus itself.
  virtual bool OnInitDialog();
  // Takes the values and closes the dialog with IDOK; stays open when a value is refused.
  virtual void OnOK();
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* dx);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnCommand(WPARAM wParam, LPARAM lParam);

  UINT templateId_;
  CWnd* parent_;
};
