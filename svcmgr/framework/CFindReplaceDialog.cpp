#include "framework/CFindReplaceDialog.h"

#include <cstring>

UINT CFindReplaceDialog::GetFindReplaceMsg() {
  static const UINT message = RegisterWindowMessageA(FINDMSGSTRINGA);
  return message;
}

CFindReplaceDialog* CFindReplaceDialog::GetNotifier(LPARAM lParam) {
  auto* data = reinterpret_cast<FINDREPLACEA*>(lParam);
  return data ? reinterpret_cast<CFindReplaceDialog*>(data->lCustData) : nullptr;
}

bool CFindReplaceDialog::Create(const std::string& findWhat, DWORD flags, CWnd* owner) {
  size_t length = std::min(findWhat.size(), sizeof findWhat_ - 1);
  memcpy(findWhat_, findWhat.data(), length);
  findWhat_[length] = '\0';
  data_.lStructSize = sizeof data_;
  data_.hwndOwner = owner->GetSafeHwnd();
  data_.hInstance = GetModuleHandleA(nullptr);
  data_.Flags = flags;
  data_.lpstrFindWhat = findWhat_;
  data_.wFindWhatLen = kFindTextBytes;
  data_.lCustData = reinterpret_cast<LPARAM>(this);
  HWND dialog = FindTextA(&data_);
  if (!dialog) return false;
  return SubclassWindow(dialog);
}
