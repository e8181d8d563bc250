#include "script/CVBScriptFunctions.h"

#include "automation/ComPtr.h"
#include "automation/ScopedBstr.h"
#include "automation/YAutomationError.h"

namespace {

// The name of a simple type, as TypeName gives it; null for types VBScript does not name.
const wchar_t* SimpleTypeName(VARTYPE type) {
  switch (type) {
    case VT_EMPTY: return L"Empty";
    case VT_NULL: return L"Null";
    case VT_I2: return L"Integer";
    case VT_I4: return L"Long";
    case VT_R4: return L"Single";
    case VT_R8: return L"Double";
    case VT_CY: return L"Currency";
    case VT_DATE: return L"Date";
    case VT_BSTR: return L"String";
    case VT_DISPATCH: return L"Object";
    case VT_ERROR: return L"Error";
    case VT_BOOL: return L"Boolean";
    case VT_VARIANT: return L"Variant";
    case VT_UNKNOWN: return L"Unknown";
    case VT_DECIMAL: return L"Decimal";
    case VT_UI1: return L"Byte";
    default: return nullptr;
  }
}

// The value a chain of variant references ends in.
const VARIANT& Referenced(const VARIANT& value) {
  const VARIANT* v = &value;
  while (V_VT(v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(v)) v = V_VARIANTREF(v);
  return *v;
}

IDispatch* DispatchOf(const VARIANT& v) {
  if (V_VT(&v) == VT_DISPATCH) return V_DISPATCH(&v);
  if (V_VT(&v) == (VT_DISPATCH | VT_BYREF)) return V_DISPATCHREF(&v) ? *V_DISPATCHREF(&v) : nullptr;
  return nullptr;
}

// The functions' first argument is not optional (a call without it reaches them as a
// missing argument).
const VARIANT& Required(const VARIANT& value) {
  if (V_VT(&value) == VT_ERROR && V_ERROR(&value) == DISP_E_PARAMNOTFOUND) {
    throw YAutomationError(kVBScriptWrongArgumentCount, L"Wrong number of arguments or invalid property assignment");
  }
  return Referenced(value);
}

SAFEARRAY* ArrayOf(const VARIANT& value) {
  const VARIANT& v = Required(value);
  if (!(V_VT(&v) & VT_ARRAY)) return nullptr;
  if (V_VT(&v) & VT_BYREF) return V_ARRAYREF(&v) ? *V_ARRAYREF(&v) : nullptr;
  return V_ARRAY(&v);
}

// The 1-based dimension asked for (1 when left out), checked against the array.
UINT CheckedDimension(SAFEARRAY* array, const VARIANT& dimension) {
  if (!array) throw YAutomationError(kVBScriptTypeMismatch, L"Type mismatch");
  LONG wanted = 1;
  const VARIANT& given = Referenced(dimension);
  if (V_VT(&given) != VT_ERROR) {
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, const_cast<VARIANT*>(&given), 0, VT_I4))) {
      throw YAutomationError(kVBScriptTypeMismatch, L"Type mismatch");
    }
    wanted = V_I4(&converted);
  }
  if (wanted < 1 || static_cast<UINT>(wanted) > SafeArrayGetDim(array)) {
    throw YAutomationError(kVBScriptSubscriptOutOfRange, L"Subscript out of range");
  }
  return static_cast<UINT>(wanted);
}

}  // namespace

std::wstring VBScriptTypeName(const VARIANT& value) {
  const VARIANT& v = Referenced(value);
  const VARTYPE type = V_VT(&v);
  if (type & VT_ARRAY) {
    const wchar_t* element = SimpleTypeName(type & VT_TYPEMASK);
    return std::wstring(element ? element : L"Unknown") + L"()";
  }
  if ((type & VT_TYPEMASK) == VT_DISPATCH) {
    IDispatch* dispatch = DispatchOf(v);
    if (!dispatch) return L"Nothing";
    ComPtr<ITypeInfo> info;
    ScopedBstr name;
    if (SUCCEEDED(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.Receive())) && info &&
        SUCCEEDED(info->GetDocumentation(MEMBERID_NIL, name.Receive(), nullptr, nullptr, nullptr)) && name.Get()) {
      return std::wstring(name.Get(), name.Length());
    }
    return L"Object";
  }
  const wchar_t* simple = SimpleTypeName(type & VT_TYPEMASK);
  return simple ? simple : L"Unknown";
}

const YDispatchMap& CVBScriptFunctions::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispMethod<&CVBScriptFunctions::TypeName>("TypeName"),
      DispMethod<&CVBScriptFunctions::UBound>("UBound"),
      DispMethod<&CVBScriptFunctions::LBound>("LBound"),
      DispMethod<&CVBScriptFunctions::EachOf>("EachOf"),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}

bool CVBScriptFunctions::FindMemberId(std::wstring_view name, DISPID* dispid) {
  if (name.size() <= prefix_.size() ||
      CompareStringOrdinal(name.data(), static_cast<int>(prefix_.size()), prefix_.data(),
                           static_cast<int>(prefix_.size()), TRUE) != CSTR_EQUAL) {
    return false;
  }
  return CCmdTarget::FindMemberId(name.substr(prefix_.size()), dispid);
}

ScopedVariant CVBScriptFunctions::TypeName(const VARIANT& value) {
  return ScopedVariant::String(VBScriptTypeName(Required(value)));
}

LONG CVBScriptFunctions::UBound(const VARIANT& array, const VARIANT& dimension) {
  SAFEARRAY* safeArray = ArrayOf(array);
  LONG bound = 0;
  SafeArrayGetUBound(safeArray, CheckedDimension(safeArray, dimension), &bound);
  return bound;
}

LONG CVBScriptFunctions::LBound(const VARIANT& array, const VARIANT& dimension) {
  SAFEARRAY* safeArray = ArrayOf(array);
  LONG bound = 0;
  SafeArrayGetLBound(safeArray, CheckedDimension(safeArray, dimension), &bound);
  return bound;
}

ScopedVariant CVBScriptFunctions::EachOf(const VARIANT& source) {
  const VARIANT& v = Required(source);
  if ((V_VT(&v) & VT_TYPEMASK) == VT_DISPATCH && !(V_VT(&v) & VT_ARRAY) && !DispatchOf(v)) {
    throw YAutomationError(kVBScriptObjectRequired, L"Object required");
  }
  ScopedVariant copy;
  HRESULT hr = ScopedVariant::CopyOf(v, &copy);
  if (FAILED(hr)) throw YAutomationError(hr);
  return copy;
}
