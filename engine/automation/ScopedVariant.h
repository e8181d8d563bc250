// ScopedVariant: an owning VARIANT, cleared with VariantClear.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string_view>

class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&var_); }
  ScopedVariant(ScopedVariant&& other) noexcept : var_(other.var_) { VariantInit(&other.var_); }
  ScopedVariant& operator=(ScopedVariant&& other) noexcept;
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ~ScopedVariant() { VariantClear(&var_); }

  // Factories; text and copies throw std::bad_alloc when memory runs out.
  static ScopedVariant Int(LONG value);
  static ScopedVariant Bool(bool value);
  static ScopedVariant Double(double value);
  static ScopedVariant Date(DATE value);
  static ScopedVariant String(std::wstring_view text);
  static ScopedVariant OwnBstr(BSTR bstr);                // adopts bstr
  static ScopedVariant Dispatch(IDispatch* dispatch);     // adds a reference
  static ScopedVariant OwnDispatch(IDispatch* dispatch);  // adopts a reference
  static ScopedVariant OwnUnknown(IUnknown* unknown);     // adopts a reference
  static ScopedVariant Missing();                         // VT_ERROR DISP_E_PARAMNOTFOUND
  // A deep copy with references (VT_BYREF) followed; fails like VariantCopyInd.
  static HRESULT CopyOf(const VARIANT& source, ScopedVariant* out);

  void Reset() { VariantClear(&var_); }
  // Hands the value to the caller, leaving this empty.
  VARIANT Release();
  // Moves the value into a caller's VARIANT slot (which must hold nothing owned).
  void ReleaseTo(VARIANT* out) { *out = Release(); }

  VARTYPE Type() const { return V_VT(&var_); }
  bool IsMissing() const;
  const VARIANT* ptr() const { return &var_; }
  VARIANT* ptr() { return &var_; }
  const VARIANT& operator*() const { return var_; }
  // For out-parameters: clears what is held and answers the slot.
  VARIANT* Receive() {
    Reset();
    return &var_;
  }

 private:
  VARIANT var_;
};
