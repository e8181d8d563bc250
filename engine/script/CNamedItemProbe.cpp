#include "script/CNamedItemProbe.h"

#include <cstring>
#include <map>

#include "automation/ComPtr.h"
#include "automation/YMutex.h"

namespace {

constexpr wchar_t kProbeItem[] = L"OrvaneProbe";
// One call of the item with one argument; valid VBScript and JScript alike.
constexpr wchar_t kProbeScript[] = L"x = OrvaneProbe(1)\r\n";

struct ClassIdLess {
  bool operator()(const CLSID& a, const CLSID& b) const { return std::memcmp(&a, &b, sizeof(CLSID)) < 0; }
};

}  // namespace

bool CNamedItemProbe::EngineCallsNamedItemsWithArguments(const CLSID& classId) {
  static YMutex mutex;
  static std::map<CLSID, bool, ClassIdLess> answers;
  YMutexLock lock(mutex);
  auto found = answers.find(classId);
  if (found != answers.end()) return found->second;
  CNamedItemProbe* probe = new CNamedItemProbe;
  bool answer = probe->Run(classId);
  probe->Release();
  answers.emplace(classId, answer);
  return answer;
}

bool CNamedItemProbe::Run(const CLSID& classId) {
  ComPtr<IActiveScript> engine;
  ComPtr<IActiveScriptParse> parse;
  if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript, engine.ReceiveVoid())) ||
      FAILED(parse.QueryFrom(engine.Get(), IID_IActiveScriptParse))) {
    return false;
  }
  if (SUCCEEDED(engine->SetScriptSite(&site_))) {
    EXCEPINFO info{};
    if (SUCCEEDED(parse->InitNew()) && SUCCEEDED(engine->AddNamedItem(kProbeItem, SCRIPTITEM_ISVISIBLE)) &&
        SUCCEEDED(parse->ParseScriptText(kProbeScript, nullptr, nullptr, nullptr, 0, 1, SCRIPTTEXT_ISVISIBLE, nullptr,
                                         &info))) {
      engine->SetScriptState(SCRIPTSTATE_CONNECTED);
    }
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
  }
  parse.Reset();
  engine->Close();
  return reached_;
}

std::span<const YInterfaceEntry> CNamedItemProbe::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {
      {&IID_IActiveScriptSite, NestedInterfaceOf<&CNamedItemProbe::site_>},
  };
  return kEntries;
}

// The probe's IDispatch is the named item: every member call counts.
HRESULT CNamedItemProbe::GetIDsOfNames(LPOLESTR*, UINT count, DISPID* dispids) {
  if (!dispids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) dispids[i] = DISPID_VALUE;
  return S_OK;
}

HRESULT CNamedItemProbe::Invoke(DISPID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) {
  if (params && params->cArgs > 0) reached_ = true;
  if (result) VariantInit(result);
  return S_OK;
}

// ---------------------------------------------------------------------------------
// XActiveScriptSite: the probe engine's site.

STDMETHODIMP CNamedItemProbe::XActiveScriptSite::GetLCID(LCID*) { return E_NOTIMPL; }

STDMETHODIMP CNamedItemProbe::XActiveScriptSite::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown,
                                                             ITypeInfo** typeInfo) {
  if (typeInfo) *typeInfo = nullptr;
  if (unknown) *unknown = nullptr;
  if (!name || std::wcscmp(name, kProbeItem) != 0) return TYPE_E_ELEMENTNOTFOUND;
  if ((mask & SCRIPTINFO_IUNKNOWN) && unknown) *unknown = self()->GetIDispatch(true);
  return S_OK;
}

STDMETHODIMP CNamedItemProbe::XActiveScriptSite::GetDocVersionString(BSTR* version) {
  if (version) *version = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP CNamedItemProbe::XActiveScriptSite::OnScriptTerminate(const VARIANT*, const EXCEPINFO*) { return S_OK; }
STDMETHODIMP CNamedItemProbe::XActiveScriptSite::OnStateChange(SCRIPTSTATE) { return S_OK; }
// The failed call of an engine that cannot make it is the expected answer, not an error.
STDMETHODIMP CNamedItemProbe::XActiveScriptSite::OnScriptError(IActiveScriptError*) { return S_OK; }
STDMETHODIMP CNamedItemProbe::XActiveScriptSite::OnEnterScript() { return S_OK; }
STDMETHODIMP CNamedItemProbe::XActiveScriptSite::OnLeaveScript() { return S_OK; }
