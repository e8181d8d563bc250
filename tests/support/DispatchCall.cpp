#include "DispatchCall.h"

DispatchOutcome::~DispatchOutcome() {
  SysFreeString(excepInfo.bstrSource);
  SysFreeString(excepInfo.bstrDescription);
  SysFreeString(excepInfo.bstrHelpFile);
}

std::wstring DispatchOutcome::Text() const {
  ScopedVariant text;
  if (FAILED(VariantChangeType(text.Receive(), const_cast<VARIANT*>(result.ptr()), 0, VT_BSTR))) {
    return L"<not text>";
  }
  return V_BSTR(text.ptr()) ? V_BSTR(text.ptr()) : L"";
}

DispatchOutcome InvokeDispatch(IDispatch* object, DISPID dispid, WORD flags, std::vector<ScopedVariant> args) {
  std::vector<VARIANT> reversed;
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->ptr());
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.cArgs = static_cast<UINT>(reversed.size());
  params.rgvarg = reversed.empty() ? nullptr : reversed.data();
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &named;
  }
  DispatchOutcome outcome;
  outcome.hr = object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, outcome.result.Receive(),
                              &outcome.excepInfo, &outcome.argErr);
  return outcome;
}

DISPID DispidOf(IDispatch* object, const wchar_t* name) {
  DISPID dispid = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
  return dispid;
}

ScopedVariant Str(const wchar_t* text) { return ScopedVariant::String(text); }

ScopedVariant I2(SHORT value) {
  ScopedVariant v;
  V_VT(v.Receive()) = VT_I2;
  V_I2(v.ptr()) = value;
  return v;
}
