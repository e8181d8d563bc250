#include "framework/CDataExchange.h"

#include "framework/CDialog.h"

HWND CDataExchange::PrepareControl(int id) {
  control_ = dialog_->GetDlgItem(id);
  return control_;
}

void CDataExchange::Fail() {
  failed_ = true;
  if (control_) ::SetFocus(control_);
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
  if (dx->Failed()) return;
  dx->PrepareControl(id);
  if (dx->SaveAndValidate()) {
    value = dx->Dialog()->GetDlgItemText(id);
  } else {
    dx->Dialog()->SetDlgItemText(id, value.c_str());
  }
}

void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars) {
  if (dx->Failed() || !dx->Control()) return;
  if (!dx->SaveAndValidate()) {
    SendMessageA(dx->Control(), EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
  } else if (value.size() > static_cast<size_t>(maxChars)) {
    MessageBeep(MB_ICONEXCLAMATION);
    dx->Fail();
  }
}
