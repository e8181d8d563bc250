#include "script/CNamedItemMembers.h"

#include "script/CScriptEngine.h"

CNamedItemMembers::CNamedItemMembers(CScriptEngine* engine, bool caseSensitive)
    : engine_(engine), caseSensitive_(caseSensitive) {}

void CNamedItemMembers::Add(std::wstring_view name) {
  DISPID ignored;
  if (!Find(name, &ignored)) members_.push_back(Member{std::wstring(name), {}});
}

void CNamedItemMembers::Detach() {
  engine_ = nullptr;
  // Moved out first: releasing an object may call back into this one.
  std::vector<Member> members = std::move(members_);
  members_.clear();
}

const CNamedItemMembers::Member* CNamedItemMembers::Find(std::wstring_view name, DISPID* dispid) const {
  for (size_t i = 0; i < members_.size(); ++i) {
    const std::wstring& candidate = members_[i].name;
    bool same = caseSensitive_ ? candidate == name
                               : CompareStringOrdinal(candidate.data(), static_cast<int>(candidate.size()), name.data(),
                                                      static_cast<int>(name.size()), TRUE) == CSTR_EQUAL;
    if (same) {
      *dispid = static_cast<DISPID>(i + 1);
      return &members_[i];
    }
  }
  return nullptr;
}

HRESULT CNamedItemMembers::Resolve(Member& member) {
  if (member.object) return S_OK;
  if (!engine_) return E_UNEXPECTED;
  ComPtr<IUnknown> object;
  HRESULT hr = engine_->GetItemInfo(member.name.c_str(), SCRIPTINFO_IUNKNOWN, object.Receive(), nullptr);
  if (FAILED(hr)) return hr;
  if (!object) return TYPE_E_ELEMENTNOTFOUND;
  member.object = std::move(object);
  return S_OK;
}

HRESULT CNamedItemMembers::Invoke(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                                  UINT* argErr) {
  if (dispid < 1 || static_cast<size_t>(dispid) > members_.size()) return DISP_E_MEMBERNOTFOUND;
  if (!engine_) return E_UNEXPECTED;
  Member& member = members_[static_cast<size_t>(dispid) - 1];
  HRESULT hr = Resolve(member);
  if (FAILED(hr)) return hr;
  // Held for the call: the member list may change while the object runs.
  ComPtr<IUnknown> object = member.object;
  ComPtr<IDispatch> dispatch;
  dispatch.QueryFrom(object.Get(), IID_IDispatch);

  const UINT argCount = params ? params->cArgs : 0;
  if (argCount == 0 && (flags & DISPATCH_PROPERTYGET)) {
    // The item itself: Response.Write, Set s = Session.
    if (!result) return S_OK;
    VariantInit(result);
    if (dispatch) {
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = dispatch.Detach();
    } else {
      V_VT(result) = VT_UNKNOWN;
      V_UNKNOWN(result) = object.Detach();
    }
    return S_OK;
  }
  if (!dispatch) return DISP_E_MEMBERNOTFOUND;
  return dispatch->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, flags, params, result, excepInfo, argErr);
}
