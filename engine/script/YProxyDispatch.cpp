#include "script/YProxyDispatch.h"

#include <dispex.h>

#include "automation/ScopedBstr.h"

YProxyDispatch::YProxyDispatch(IDispatch* inner) : inner_(ComPtr<IDispatch>::Adopt(inner)) {}

STDMETHODIMP YProxyDispatch::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) YProxyDispatch::AddRef() { return static_cast<ULONG>(++references_); }

STDMETHODIMP_(ULONG) YProxyDispatch::Release() {
  int32_t references = --references_;
  if (references == 0) delete this;
  return static_cast<ULONG>(references);
}

STDMETHODIMP YProxyDispatch::GetTypeInfoCount(UINT* count) {
  if (!inner_) return S_FALSE;
  return inner_->GetTypeInfoCount(count);
}

STDMETHODIMP YProxyDispatch::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
  if (!inner_) return S_FALSE;
  return inner_->GetTypeInfo(index, lcid, info);
}

STDMETHODIMP YProxyDispatch::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) {
  if (!inner_) return S_FALSE;
  HRESULT hr = inner_->GetIDsOfNames(iid, names, count, lcid, dispids);
  if (hr == S_OK) return S_OK;
  if (count == 0 || !names || !names[0] || !dispids) return hr;
  DISPID found;
  if (!FindIgnoringCase(names[0], &found)) return hr;
  dispids[0] = found;
  return S_OK;
}

STDMETHODIMP YProxyDispatch::Invoke(DISPID dispid, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                    VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
  if (!inner_) return S_FALSE;
  // The call may end in an engine that drops this proxy (and so the wrapped dispatch).
  ComPtr<IDispatch> inner = inner_;
  return inner->Invoke(dispid, iid, lcid, flags, params, result, excepInfo, argErr);
}

bool YProxyDispatch::FindIgnoringCase(LPCOLESTR name, DISPID* dispid) {
  ComPtr<IDispatchEx> members;
  if (FAILED(members.QueryFrom(inner_.Get(), IID_IDispatchEx))) return false;
  DISPID id = DISPID_STARTENUM;
  while (members->GetNextDispID(fdexEnumAll, id, &id) == S_OK) {
    ScopedBstr member;
    if (FAILED(members->GetMemberName(id, member.Receive())) || !member.Get()) continue;
    if (CompareStringOrdinal(member.Get(), static_cast<int>(member.Length()), name, -1, TRUE) == CSTR_EQUAL) {
      *dispid = id;
      return true;
    }
  }
  return false;
}
