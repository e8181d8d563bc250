#include "TestItemObject.h"

#include "automation/YAutomationError.h"

namespace {

std::wstring KeyText(const VARIANT& key) {
  ScopedVariant text;
  if (FAILED(VariantChangeType(text.Receive(), const_cast<VARIANT*>(&key), 0, VT_BSTR))) return L"?";
  return V_BSTR(text.ptr()) ? V_BSTR(text.ptr()) : L"";
}

}  // namespace

HRESULT CTestItemObject::Invoke(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                                UINT* argErr) {
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    lastPutFlags = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  }
  return CCmdTarget::Invoke(dispid, flags, params, result, excepInfo, argErr);
}

ScopedVariant CTestItemObject::GetItem(const VARIANT& key) {
  auto it = values.find(KeyText(key));
  ScopedVariant copy;
  if (it != values.end()) ScopedVariant::CopyOf(*it->second, &copy);
  return copy;
}

void CTestItemObject::SetItem(const VARIANT& key, const VARIANT& value) {
  ScopedVariant copy;
  if (FAILED(ScopedVariant::CopyOf(value, &copy))) throw YAutomationError(E_INVALIDARG);
  values[KeyText(key)] = std::move(copy);
}

void CTestItemObject::Fail(LONG code) { throw YAutomationError(code, L"boom", L"Tester"); }

const YDispatchMap& CTestItemObject::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&CTestItemObject::GetItem, &CTestItemObject::SetItem>("Item", DISPID_VALUE),
      DispMethod<&CTestItemObject::Bump>("Bump"),
      DispProperty<&CTestItemObject::GetBumps>("Bumps"),
      DispMethod<&CTestItemObject::Fail>("Fail"),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}
