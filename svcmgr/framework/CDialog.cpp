#include "framework/CDialog.h"

#include <vector>

#include "framework/CDataExchange.h"
#include "framework/CWinApp.h"

INT_PTR CDialog::DoModal() {
  HWND owner = parent_ ? parent_->GetSafeHwnd() : nullptr;
  if (!owner) {
    CWinApp* app = CWinApp::Get();
    if (app && app->m_pMainWnd) owner = app->m_pMainWnd->GetSafeHwnd();
  }
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, &CDialog::DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int result) { ::EndDialog(m_hWnd, result); }

bool CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(&dx);
  return !dx.Failed();
}

std::string CDialog::GetDlgItemText(int id) const {
  HWND item = GetDlgItem(id);
  int length = item ? GetWindowTextLengthA(item) : 0;
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  if (item) GetWindowTextA(item, text.data(), length + 1);
  return text.data();
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::OnOK() {
  if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

bool CDialog::OnCommand(WPARAM wParam, LPARAM) {
  UINT id = LOWORD(wParam);
  UINT code = HIWORD(wParam);
  if (code != BN_CLICKED) return false;
  if (id == IDOK) {
    OnOK();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return OnCmdMsg(id, kExecute, nullptr);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog->SubclassWindow(window)) return TRUE;
    return dialog->OnInitDialog() ? TRUE : FALSE;
  }
  auto* dialog = static_cast<CDialog*>(CWnd::FromHandle(window));
  if (!dialog) return FALSE;
  if (message == WM_COMMAND) return dialog->OnCommand(wParam, lParam) ? TRUE : FALSE;
  return FALSE;
}
