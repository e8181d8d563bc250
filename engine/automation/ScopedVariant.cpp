#include "ScopedVariant.h"

#include <new>

ScopedVariant& ScopedVariant::operator=(ScopedVariant&& other) noexcept {
  if (this != &other) {
    VariantClear(&var_);
    var_ = other.var_;
    VariantInit(&other.var_);
  }
  return *this;
}

ScopedVariant ScopedVariant::Int(LONG value) {
  ScopedVariant v;
  V_VT(&v.var_) = VT_I4;
  V_I4(&v.var_) = value;
  return v;
}

ScopedVariant ScopedVariant::Bool(bool value) {
  ScopedVariant v;
  V_VT(&v.var_) = VT_BOOL;
  V_BOOL(&v.var_) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

ScopedVariant ScopedVariant::Double(double value) {
  ScopedVariant v;
  V_VT(&v.var_) = VT_R8;
  V_R8(&v.var_) = value;
  return v;
}

ScopedVariant ScopedVariant::Date(DATE value) {
  ScopedVariant v;
  V_VT(&v.var_) = VT_DATE;
  V_DATE(&v.var_) = value;
  return v;
}

ScopedVariant ScopedVariant::String(std::wstring_view text) {
  BSTR bstr = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!bstr) throw std::bad_alloc();
  return OwnBstr(bstr);
}

ScopedVariant ScopedVariant::OwnBstr(BSTR bstr) {
  ScopedVariant v;
  V_VT(&v.var_) = VT_BSTR;
  V_BSTR(&v.var_) = bstr;
  return v;
}

ScopedVariant ScopedVariant::Dispatch(IDispatch* dispatch) {
  if (dispatch) dispatch->AddRef();
  return OwnDispatch(dispatch);
}

ScopedVariant ScopedVariant::OwnDispatch(IDispatch* dispatch) {
  ScopedVariant v;
  V_VT(&v.var_) = VT_DISPATCH;
  V_DISPATCH(&v.var_) = dispatch;
  return v;
}

ScopedVariant ScopedVariant::OwnUnknown(IUnknown* unknown) {
  ScopedVariant v;
  V_VT(&v.var_) = VT_UNKNOWN;
  V_UNKNOWN(&v.var_) = unknown;
  return v;
}

ScopedVariant ScopedVariant::Missing() {
  ScopedVariant v;
  V_VT(&v.var_) = VT_ERROR;
  V_ERROR(&v.var_) = DISP_E_PARAMNOTFOUND;
  return v;
}

HRESULT ScopedVariant::CopyOf(const VARIANT& source, ScopedVariant* out) {
  return VariantCopyInd(out->Receive(), const_cast<VARIANT*>(&source));
}

VARIANT ScopedVariant::Release() {
  VARIANT result = var_;
  VariantInit(&var_);
  return result;
}

bool ScopedVariant::IsMissing() const { return V_VT(&var_) == VT_ERROR && V_ERROR(&var_) == DISP_E_PARAMNOTFOUND; }
