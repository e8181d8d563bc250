// CDataExchange: one exchange of values between a dialog's members and its controls,
// with the exchange and validation helpers DoDataExchange calls in turn. A refused value
// marks the exchange failed and puts the focus on its control; the helpers after it do
// nothing then.
#pragma once

#include <windows.h>

#include <string>

class CDialog;

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, bool saveAndValidate) : dialog_(dialog), save_(saveAndValidate) {}

  bool SaveAndValidate() const { return save_; }
  bool Failed() const { return failed_; }
  CDialog* Dialog() const { return dialog_; }
  // The control the helpers that follow are about.
  HWND PrepareControl(int id);
  HWND Control() const { return control_; }
  // Refuses the value of the prepared control.
  void Fail();

 private:
  CDialog* dialog_;
  bool save_;
  bool failed_ = false;
  HWND control_ = nullptr;
};

// The text of an edit control and a string member.
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// At most `maxChars` characters (bytes of the system code page, as the narrow edit control
// counts them) in the control DDX_Text just exchanged: the edit takes no more (loading),
// a longer value is refused with a beep (saving).
void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars);
