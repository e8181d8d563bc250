#include "TestScriptHost.h"

#include <oleauto.h>

#include "automation/ScopedBstr.h"
#include "automation/ScopedVariant.h"

const CLSID kVBScriptClsid = {0xB54F3741, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}};
const CLSID kJScriptClsid = {0xF414C260, 0x6AC0, 0x11CF, {0xB6, 0xD1, 0x00, 0xAA, 0x00, 0xBB, 0xBB, 0x58}};

class TestScriptHost::Site final : public IActiveScriptSite {
 public:
  virtual ~Site() = default;
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IActiveScriptSite)) {
      *out = static_cast<IActiveScriptSite*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
  }
  STDMETHODIMP GetLCID(LCID* lcid) override {
    *lcid = LOCALE_USER_DEFAULT;
    return S_OK;
  }
  STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown, ITypeInfo** typeInfo) override {
    if (typeInfo) *typeInfo = nullptr;
    if (unknown) *unknown = nullptr;
    auto it = items_.find(name);
    if (it == items_.end()) return TYPE_E_ELEMENTNOTFOUND;
    if ((mask & SCRIPTINFO_IUNKNOWN) && unknown) {
      *unknown = it->second.Get();
      (*unknown)->AddRef();
    }
    return S_OK;
  }
  STDMETHODIMP GetDocVersionString(BSTR* version) override {
    *version = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
  STDMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }
  STDMETHODIMP OnScriptError(IActiveScriptError* error) override {
    ScriptErrorRecord record;
    EXCEPINFO info{};
    if (SUCCEEDED(error->GetExceptionInfo(&info))) {
      if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
      record.scode = info.scode;
      if (info.bstrSource) record.source = info.bstrSource;
      if (info.bstrDescription) record.description = info.bstrDescription;
      SysFreeString(info.bstrSource);
      SysFreeString(info.bstrDescription);
      SysFreeString(info.bstrHelpFile);
    }
    DWORD context = 0;
    LONG column = 0;
    error->GetSourcePosition(&context, &record.line, &column);
    errors_.push_back(record);
    return S_OK;
  }
  STDMETHODIMP OnEnterScript() override { return S_OK; }
  STDMETHODIMP OnLeaveScript() override { return S_OK; }

  std::map<std::wstring, ComPtr<IUnknown>> items_;
  std::vector<ScriptErrorRecord> errors_;

 private:
  volatile LONG refs_ = 1;
};

TestScriptHost::TestScriptHost(ScriptLanguage language) : site_(new Site) {
  const CLSID& clsid = language == ScriptLanguage::kVBScript ? kVBScriptClsid : kJScriptClsid;
  ComPtr<IActiveScript> engine;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript, engine.ReceiveVoid()))) {
    return;
  }
  if (FAILED(parse_.QueryFrom(engine.Get(), IID_IActiveScriptParse))) return;
  if (FAILED(engine->SetScriptSite(site_)) || FAILED(parse_->InitNew()) ||
      FAILED(engine->SetScriptState(SCRIPTSTATE_CONNECTED))) {
    return;
  }
  engine_ = std::move(engine);
}

TestScriptHost::~TestScriptHost() {
  if (engine_) engine_->Close();
  parse_.Reset();
  engine_.Reset();
  site_->Release();
}

HRESULT TestScriptHost::AddItem(const std::wstring& name, IUnknown* object, bool globalMembers) {
  site_->items_[name] = ComPtr<IUnknown>(object);
  DWORD flags = SCRIPTITEM_ISVISIBLE | (globalMembers ? SCRIPTITEM_GLOBALMEMBERS : 0);
  return engine_->AddNamedItem(name.c_str(), flags);
}

HRESULT TestScriptHost::Run(const std::wstring& code) {
  EXCEPINFO info{};
  HRESULT hr = parse_->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0, 0, nullptr, &info);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return hr;
}

HRESULT TestScriptHost::Eval(const std::wstring& expression, VARIANT* result) {
  EXCEPINFO info{};
  HRESULT hr = parse_->ParseScriptText(expression.c_str(), nullptr, nullptr, nullptr, 0, 0, SCRIPTTEXT_ISEXPRESSION,
                                       result, &info);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return hr;
}

std::wstring TestScriptHost::EvalText(const std::wstring& expression) {
  ScopedVariant value;
  if (FAILED(Eval(expression, value.Receive()))) return L"<error>";
  ScopedVariant text;
  if (FAILED(VariantChangeType(text.Receive(), value.ptr(), 0, VT_BSTR))) return L"<not text>";
  return V_BSTR(text.ptr()) ? V_BSTR(text.ptr()) : L"";
}

const std::vector<ScriptErrorRecord>& TestScriptHost::errors() const { return site_->errors_; }

void TestScriptHost::ClearErrors() { site_->errors_.clear(); }
