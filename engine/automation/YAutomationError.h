// YAutomationError: what an automation member throws to fail a script call. The
// shared Invoke turns it into DISP_E_EXCEPTION with the EXCEPINFO filled in; it never
// leaves the object.
#pragma once

#include <windows.h>

#include <string>

class YAutomationError {
 public:
  explicit YAutomationError(HRESULT code, std::wstring description = {}, std::wstring source = {})
      : code_(code), description_(std::move(description)), source_(std::move(source)) {}

  HRESULT code() const { return code_; }
  const std::wstring& description() const { return description_; }
  const std::wstring& source() const { return source_; }

 private:
  HRESULT code_;
  std::wstring description_;
  std::wstring source_;
};

// Control errors that scripts see (the values of the standard control error table).
#ifndef CTL_E_SETNOTSUPPORTED
#define CTL_E_ILLEGALFUNCTIONCALL static_cast<HRESULT>(0x800A0005)
#define CTL_E_OUTOFMEMORY static_cast<HRESULT>(0x800A0007)
#define CTL_E_OUTOFSTACKSPACE static_cast<HRESULT>(0x800A001C)
#define CTL_E_SETNOTSUPPORTED static_cast<HRESULT>(0x800A017F)  // property is read-only
#endif
