#include "CCmdTarget.h"

#include <array>
#include <exception>
#include <new>

#include "TextConversion.h"
#include "YAutomationError.h"

// ---------------------------------------------------------------------------------
// Dispatch map look-ups.

const YDispatchEntry* YDispatchMap::Find(DISPID dispid) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (DispidAt(i) == dispid) return &entries_[i];
  }
  return nullptr;
}

const YDispatchEntry* YDispatchMap::FindByName(std::wstring_view name, DISPID* dispid) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (EqualsAsciiNoCase(name, entries_[i].name)) {
      *dispid = DispidAt(i);
      return &entries_[i];
    }
  }
  return nullptr;
}

void FillExcepInfo(EXCEPINFO* excepInfo, HRESULT code, const std::wstring& description, const std::wstring& source) {
  if (!excepInfo) return;
  *excepInfo = EXCEPINFO{};
  excepInfo->scode = code;
  if (!description.empty()) excepInfo->bstrDescription = SysAllocString(description.c_str());
  if (!source.empty()) excepInfo->bstrSource = SysAllocString(source.c_str());
}

// ---------------------------------------------------------------------------------
// Lifetime and QueryInterface.

CCmdTarget::CCmdTarget() : dispatch_(this) {}

CCmdTarget::~CCmdTarget() = default;

ULONG CCmdTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG CCmdTarget::Release() {
  LONG refs = InterlockedDecrement(&refs_);
  if (refs == 0) OnFinalRelease();
  return static_cast<ULONG>(refs);
}

void CCmdTarget::OnFinalRelease() { delete this; }

HRESULT CCmdTarget::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  IUnknown* found = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    found = &dispatch_;
  } else {
    for (const YInterfaceEntry& entry : GetInterfaceMap()) {
      if (IsEqualIID(iid, *entry.iid)) {
        found = entry.get ? entry.get(this) : &dispatch_;
        break;
      }
    }
  }
  if (!found) return E_NOINTERFACE;
  found->AddRef();
  *out = found;
  return S_OK;
}

IDispatch* CCmdTarget::GetIDispatch(bool addRef) {
  if (addRef) AddRef();
  return &dispatch_;
}

const YDispatchMap& CCmdTarget::GetDispatchMap() const {
  static constexpr YDispatchMap kEmpty;
  return kEmpty;
}

std::span<const YInterfaceEntry> CCmdTarget::GetInterfaceMap() const { return {}; }

bool CCmdTarget::FindMemberId(std::wstring_view name, DISPID* dispid) {
  return GetDispatchMap().FindByName(name, dispid) != nullptr;
}

// ---------------------------------------------------------------------------------
// IDispatch.

HRESULT CCmdTarget::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* dispids) {
  if (!names || !dispids) return E_POINTER;
  if (count == 0) return S_OK;
  HRESULT hr = S_OK;
  if (!names[0] || !FindMemberId(names[0], &dispids[0])) {
    dispids[0] = DISPID_UNKNOWN;
    hr = DISP_E_UNKNOWNNAME;
  }
  // Members take no named arguments: every further name is unknown.
  for (UINT i = 1; i < count; ++i) {
    dispids[i] = DISPID_UNKNOWN;
    hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT CCmdTarget::Invoke(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                           UINT* argErr) {
  const YDispatchEntry* entry = GetDispatchMap().Find(dispid);
  if (!entry) return DISP_E_MEMBERNOTFOUND;
  DISPPARAMS none{};
  return InvokeEntry(*entry, flags, params ? params : &none, result, excepInfo, argErr);
}

namespace {

constexpr WORD kPutFlags = DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
constexpr WORD kGetFlags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

// The arguments of one call, converted to the member's declared types, in call order.
class ConvertedArgs {
 public:
  // args[i] is the caller's argument for parameter i, or null where it was left out;
  // rgvarg is the caller's array, for reporting the position of a bad argument.
  HRESULT Convert(const YDispatchSignature& signature, VARIANT* const* args, const VARIANT* rgvarg, UINT* argErr) {
    for (UINT i = 0; i < signature.paramCount; ++i) {
      VARTYPE type = signature.params[i];
      if (!args[i]) {
        // Only VARIANT parameters may be left out.
        if (type != VT_VARIANT) return DISP_E_BADPARAMCOUNT;
        values_[i] = ScopedVariant::Missing();
        continue;
      }
      HRESULT hr = ConvertOne(*args[i], type, &values_[i]);
      if (FAILED(hr)) {
        if (argErr) *argErr = static_cast<UINT>(args[i] - rgvarg);
        return hr;
      }
    }
    for (UINT i = 0; i < signature.paramCount; ++i) raw_[i] = *values_[i].ptr();
    return S_OK;
  }

  VARIANT* data() { return raw_.data(); }

 private:
  static HRESULT ConvertOne(const VARIANT& arg, VARTYPE type, ScopedVariant* out) {
    ScopedVariant value;
    HRESULT hr = ScopedVariant::CopyOf(arg, &value);
    if (FAILED(hr)) return hr;
    if (type == VT_VARIANT) {
      *out = std::move(value);
      return S_OK;
    }
    if (value.IsMissing()) return DISP_E_PARAMNOTOPTIONAL;
    if (value.Type() == type) {
      *out = std::move(value);
      return S_OK;
    }
    const USHORT flags = type == VT_BSTR ? kScriptTextFlags : 0;
    if (FAILED(VariantChangeType(out->Receive(), value.ptr(), flags, type))) return DISP_E_TYPEMISMATCH;
    return S_OK;
  }

  std::array<ScopedVariant, kMaxDispatchParams> values_;
  // Shallow views of values_ handed to the thunk (which does not take ownership).
  std::array<VARIANT, kMaxDispatchParams> raw_{};
};

// Calls one member through its thunk, turning every C++ failure into an HRESULT.
HRESULT CallThunk(CCmdTarget* self, const YDispatchSignature& signature, ConvertedArgs& args, VARIANT* result,
                  EXCEPINFO* excepInfo) {
  try {
    signature.thunk(self, args.data(), result);
    return S_OK;
  } catch (const YAutomationError& error) {
    FillExcepInfo(excepInfo, error.code(), error.description(), error.source());
  } catch (const std::bad_alloc&) {
    FillExcepInfo(excepInfo, E_OUTOFMEMORY, {}, {});
  } catch (...) {
    FillExcepInfo(excepInfo, E_UNEXPECTED, {}, {});
  }
  return DISP_E_EXCEPTION;
}

// A parameterless property called with arguments applies them to the default member
// of its value: Request.Form("x") is Form's value called with ("x").
HRESULT InvokeDefaultOf(const VARIANT& value, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                        UINT* argErr) {
  if (V_VT(&value) != VT_DISPATCH || !V_DISPATCH(&value)) return DISP_E_BADPARAMCOUNT;
  return V_DISPATCH(&value)->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, excepInfo,
                                    argErr);
}

}  // namespace

HRESULT CCmdTarget::InvokeEntry(const YDispatchEntry& entry, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* excepInfo, UINT* argErr) {
  const bool put = (flags & kPutFlags) != 0;
  if (!put && (flags & kGetFlags) == 0) return DISP_E_MEMBERNOTFOUND;

  // Named arguments: only the value of a property put.
  UINT named = params->cNamedArgs;
  if (named > 1 || (named == 1 && (!put || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))) {
    return DISP_E_NONAMEDARGS;
  }
  const UINT total = params->cArgs;
  if (total > 0 && !params->rgvarg) return E_INVALIDARG;
  if (put && total == 0) return DISP_E_BADPARAMCOUNT;
  // A put's value is rgvarg[0]; the other arguments come in reverse order.
  const UINT indexArgs = put ? total - 1 : total;
  VARIANT* const rgvarg = params->rgvarg;
  auto callArgs = [&](const YDispatchSignature& signature, std::array<VARIANT*, kMaxDispatchParams>* slots) {
    UINT indexParams = put ? signature.paramCount - 1u : signature.paramCount;
    if (indexArgs > indexParams) return false;
    for (UINT i = 0; i < indexArgs; ++i) (*slots)[i] = &rgvarg[total - 1 - i];
    if (put) (*slots)[signature.paramCount - 1] = &rgvarg[0];
    return true;
  };

  ConvertedArgs args;
  std::array<VARIANT*, kMaxDispatchParams> slots{};
  HRESULT hr;
  if (entry.kind == YMemberKind::kMethod) {
    if (put || (flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (!callArgs(entry.get, &slots)) return DISP_E_BADPARAMCOUNT;
    hr = args.Convert(entry.get, slots.data(), rgvarg, argErr);
    if (FAILED(hr)) return hr;
    return CallThunk(this, entry.get, args, result, excepInfo);
  }

  if (entry.get.paramCount == 0 && indexArgs > 0) {
    // Read the property, then hand the whole call to its value's default member.
    ScopedVariant value;
    hr = CallThunk(this, entry.get, args, value.Receive(), excepInfo);
    if (FAILED(hr)) return hr;
    return InvokeDefaultOf(*value.ptr(), flags, params, result, excepInfo, argErr);
  }

  if (!put) {
    if (!callArgs(entry.get, &slots)) return DISP_E_BADPARAMCOUNT;
    hr = args.Convert(entry.get, slots.data(), rgvarg, argErr);
    if (FAILED(hr)) return hr;
    return CallThunk(this, entry.get, args, result, excepInfo);
  }

  if (!entry.put.thunk) {
    FillExcepInfo(excepInfo, CTL_E_SETNOTSUPPORTED, {}, {});
    return DISP_E_EXCEPTION;
  }
  if (!callArgs(entry.put, &slots)) return DISP_E_BADPARAMCOUNT;
  hr = args.Convert(entry.put, slots.data(), rgvarg, argErr);
  if (FAILED(hr)) return hr;
  return CallThunk(this, entry.put, args, nullptr, excepInfo);
}

// ---------------------------------------------------------------------------------
// XDispatch: the object's IDispatch.

STDMETHODIMP CCmdTarget::XDispatch::QueryInterface(REFIID iid, void** out) { return owner_->QueryInterface(iid, out); }
STDMETHODIMP_(ULONG) CCmdTarget::XDispatch::AddRef() { return owner_->AddRef(); }
STDMETHODIMP_(ULONG) CCmdTarget::XDispatch::Release() { return owner_->Release(); }

STDMETHODIMP CCmdTarget::XDispatch::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP CCmdTarget::XDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP CCmdTarget::XDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* dispids) {
  return owner_->GetIDsOfNames(names, count, dispids);
}

STDMETHODIMP CCmdTarget::XDispatch::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                           EXCEPINFO* excepInfo, UINT* argErr) {
  // Keep the object alive for the call: a member may drop the last outside reference.
  owner_->AddRef();
  HRESULT hr = owner_->Invoke(dispid, flags, params, result, excepInfo, argErr);
  owner_->Release();
  return hr;
}
