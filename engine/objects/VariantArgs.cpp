#include "VariantArgs.h"

#include "automation/ScopedVariant.h"
#include "automation/TextConversion.h"
#include "automation/YAutomationError.h"

namespace {

ScopedVariant ChangeType(const VARIANT& value, VARTYPE type) {
  ScopedVariant converted;
  const USHORT flags = type == VT_BSTR ? kScriptTextFlags : 0;
  HRESULT hr = VariantChangeType(converted.Receive(), const_cast<VARIANT*>(&value), flags, type);
  if (FAILED(hr)) throw YAutomationError(hr);
  return converted;
}

}  // namespace

std::string VariantToNarrow(const VARIANT& value) {
  ScopedVariant text = ChangeType(value, VT_BSTR);
  return BstrToNarrow(V_BSTR(text.ptr()), ScriptCodePage());
}

LONG VariantToLong(const VARIANT& value) { return V_I4(ChangeType(value, VT_I4).ptr()); }
