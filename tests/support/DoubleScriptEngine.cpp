#include "support/DoubleScriptEngine.h"

#include <activscp.h>

#include <cwchar>
#include <sstream>

#include "automation/ComPtr.h"
#include "automation/YClassFactoryCache.h"

// {7A1C55E0-3D2B-4F61-9A7E-5C0D2E8B4F13}
const CLSID kDoubleEngineClsid = {0x7a1c55e0, 0x3d2b, 0x4f61, {0x9a, 0x7e, 0x5c, 0x0d, 0x2e, 0x8b, 0x4f, 0x13}};

namespace {

DoubleEngineLog g_log;
HANDLE g_looping = CreateEventA(nullptr, TRUE, FALSE, nullptr);
HANDLE g_interrupted = CreateEventA(nullptr, TRUE, FALSE, nullptr);

// Base for the double's small COM objects: a plain count starting at 1.
template <class... Interfaces>
class Counted : public Interfaces... {
 public:
  virtual ~Counted() = default;
  ULONG AddRefImpl() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG ReleaseImpl() {
    LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
  }

 private:
  volatile LONG refs_ = 1;
};

class DoubleError final : public Counted<IActiveScriptError> {
 public:
  DoubleError(WORD code, ULONG line, LONG column) : code_(code), line_(line), column_(column) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IActiveScriptError)) {
      *out = static_cast<IActiveScriptError*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }
  STDMETHODIMP GetExceptionInfo(EXCEPINFO* info) override {
    *info = EXCEPINFO{};
    info->wCode = code_;
    info->scode = 0;
    info->bstrSource = SysAllocString(L"Double");
    info->bstrDescription = SysAllocString(L"raised");
    return S_OK;
  }
  STDMETHODIMP GetSourcePosition(DWORD* context, ULONG* line, LONG* column) override {
    *context = 0;
    *line = line_;
    *column = column_;
    return S_OK;
  }
  STDMETHODIMP GetSourceLineText(BSTR* text) override {
    *text = SysAllocString(L"raise here");
    return S_OK;
  }

 private:
  WORD code_;
  ULONG line_;
  LONG column_;
};

class DoubleEngine final : public Counted<IActiveScript, IActiveScriptParse> {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IActiveScript)) {
      *out = static_cast<IActiveScript*>(this);
    } else if (IsEqualIID(iid, IID_IActiveScriptParse) && g_log.failure != DoubleEngineLog::Failure::kNoParse) {
      *out = static_cast<IActiveScriptParse*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
  STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

  // IActiveScript
  STDMETHODIMP SetScriptSite(IActiveScriptSite* site) override {
    if (g_log.failure == DoubleEngineLog::Failure::kSetSite) return E_FAIL;
    site_ = ComPtr<IActiveScriptSite>(site);
    return S_OK;
  }
  STDMETHODIMP GetScriptSite(REFIID, void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP SetScriptState(SCRIPTSTATE state) override {
    if (state == SCRIPTSTATE_CONNECTED || state == SCRIPTSTATE_STARTED) {
      connected_ = true;
      std::vector<std::pair<std::wstring, ULONG>> pending = std::move(pending_);
      pending_.clear();
      HRESULT hr = S_OK;
      for (auto& [text, startLine] : pending) {
        if (FAILED(RunText(text, startLine))) hr = SCRIPT_E_REPORTED;
      }
      return hr;
    }
    return S_OK;
  }
  STDMETHODIMP GetScriptState(SCRIPTSTATE* state) override {
    *state = connected_ ? SCRIPTSTATE_CONNECTED : SCRIPTSTATE_INITIALIZED;
    return S_OK;
  }
  STDMETHODIMP Close() override {
    ++g_log.closes;
    site_.Reset();
    return S_OK;
  }
  STDMETHODIMP AddNamedItem(LPCOLESTR name, DWORD flags) override {
    g_log.namedItems.emplace_back(name, flags);
    if (!(flags & SCRIPTITEM_GLOBALMEMBERS)) items_.push_back(name);
    return S_OK;
  }
  STDMETHODIMP AddTypeLib(REFGUID, DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetScriptDispatch(LPCOLESTR, IDispatch** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetCurrentScriptThreadID(SCRIPTTHREADID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetScriptThreadID(DWORD, SCRIPTTHREADID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetScriptThreadState(SCRIPTTHREADID, SCRIPTTHREADSTATE*) override { return E_NOTIMPL; }
  STDMETHODIMP InterruptScriptThread(SCRIPTTHREADID thread, const EXCEPINFO*, DWORD) override {
    if (!g_log.interruptible) return E_NOTIMPL;
    g_log.interrupts.push_back(thread);
    SetEvent(g_interrupted);
    return S_OK;
  }
  STDMETHODIMP Clone(IActiveScript** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }

  // IActiveScriptParse
  STDMETHODIMP InitNew() override { return g_log.failure == DoubleEngineLog::Failure::kInitNew ? E_FAIL : S_OK; }
  STDMETHODIMP AddScriptlet(LPCOLESTR, LPCOLESTR, LPCOLESTR, LPCOLESTR, LPCOLESTR, LPCOLESTR, DWORDLONG, ULONG, DWORD,
                            BSTR*, EXCEPINFO*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ParseScriptText(LPCOLESTR code, LPCOLESTR, IUnknown*, LPCOLESTR, DWORDLONG, ULONG startLine, DWORD,
                               VARIANT*, EXCEPINFO*) override {
    g_log.parsedTexts.emplace_back(code);
    if (connected_) return RunText(code, startLine);
    pending_.emplace_back(code, startLine);
    return S_OK;
  }

 private:
  HRESULT RunText(const std::wstring& text, ULONG startLine) {
    std::wistringstream lines(text);
    std::wstring line;
    ULONG number = 0;
    for (; std::getline(lines, line); ++number) {
      wchar_t name[64];
      int arg = 0;
      unsigned code = 0, errorLine = 0;
      int column = 0;
      if (std::swscanf(line.c_str(), L" raise %u %u %d", &code, &errorLine, &column) == 3) {
        ComPtr<IActiveScriptError> error =
            ComPtr<IActiveScriptError>::Adopt(new DoubleError(static_cast<WORD>(code), errorLine + startLine, column));
        if (site_) site_->OnScriptError(error.Get());
        return SCRIPT_E_REPORTED;
      }
      if (std::swscanf(line.c_str(), L" x = %63l[A-Za-z](%d)", name, &arg) == 2) CallItem(name, arg);
      if (line.find(L"loop") != std::wstring::npos && Loop(number + startLine)) return SCRIPT_E_REPORTED;
    }
    return S_OK;
  }

  // Runs until interrupted; true when it was (and the interruption was reported).
  bool Loop(ULONG line) {
    ResetEvent(g_interrupted);
    SetEvent(g_looping);
    DWORD wait = WaitForSingleObject(g_interrupted, 10000);
    ResetEvent(g_looping);
    if (wait != WAIT_OBJECT_0) return false;
    ComPtr<IActiveScriptError> error = ComPtr<IActiveScriptError>::Adopt(new DoubleError(1, line, 0));
    if (site_) site_->OnScriptError(error.Get());
    return true;
  }

  void CallItem(const wchar_t* name, int arg) {
    bool known = false;
    for (const std::wstring& item : items_) known = known || item == name;
    if (!known || !site_) return;
    ComPtr<IUnknown> object;
    if (FAILED(site_->GetItemInfo(name, SCRIPTINFO_IUNKNOWN, object.Receive(), nullptr)) || !object) return;
    ComPtr<IDispatch> dispatch;
    if (FAILED(dispatch.QueryFrom(object.Get(), IID_IDispatch))) return;
    VARIANT value;
    V_VT(&value) = VT_I4;
    V_I4(&value) = arg;
    DISPPARAMS params{&value, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    dispatch->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                     &result, nullptr, nullptr);
    VariantClear(&result);
  }

  ComPtr<IActiveScriptSite> site_;
  bool connected_ = false;
  std::vector<std::wstring> items_;
  std::vector<std::pair<std::wstring, ULONG>> pending_;
};

class DoubleFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The factory lives for the whole process.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    DoubleEngine* engine = new DoubleEngine;
    HRESULT hr = engine->QueryInterface(iid, out);
    engine->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

}  // namespace

DoubleEngineLog& DoubleLog() { return g_log; }

void ResetDoubleLog() { g_log = DoubleEngineLog{}; }

HANDLE DoubleEngineLooping() { return g_looping; }

namespace {
DoubleFactory& Factory() {
  static DoubleFactory factory;
  return factory;
}
}  // namespace

// The engine keeps class factories between creations: each change of what a class
// identifier stands for drops the one it holds.
DoubleEngineRegistration::DoubleEngineRegistration(const CLSID& clsid) : clsid_(clsid) {
  CoRegisterClassObject(clsid, &Factory(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
  YClassFactoryCache::Forget(clsid_);
}

DoubleEngineRegistration::~DoubleEngineRegistration() {
  if (cookie_) CoRevokeClassObject(cookie_);
  YClassFactoryCache::Forget(clsid_);
}

void RegisterDoubleEngine() {
  static bool registered = [] {
    DWORD cookie = 0;
    return SUCCEEDED(
        CoRegisterClassObject(kDoubleEngineClsid, &Factory(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie));
  }();
  (void)registered;
}
