#include "FakeScriptEngine.h"

namespace {

HANDLE g_interrupted = nullptr;

// Reports the interruption the way an engine reports a script error.
class FakeError : public IActiveScriptError {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IActiveScriptError)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetExceptionInfo(EXCEPINFO* info) override {
    *info = EXCEPINFO{};
    info->scode = static_cast<HRESULT>(0x80020101);
    info->bstrSource = SysAllocString(L"Fake");
    info->bstrDescription = SysAllocString(L"interrupted");
    return S_OK;
  }
  STDMETHODIMP GetSourcePosition(DWORD* context, ULONG* line, LONG* position) override {
    *context = 0;
    *line = 0;
    *position = 0;
    return S_OK;
  }
  STDMETHODIMP GetSourceLineText(BSTR* text) override {
    *text = nullptr;
    return E_FAIL;
  }
};

class FakeEngine : public IActiveScript, public IActiveScriptParse {
 public:
  FakeEngine() { InterlockedIncrement(&FakeScriptEngineClass::created); }
  virtual ~FakeEngine() {
    if (site_) site_->Release();
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IActiveScript)) {
      *out = static_cast<IActiveScript*>(this);
    } else if (IsEqualIID(iid, IID_IActiveScriptParse)) {
      *out = static_cast<IActiveScriptParse*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
  }

  // IActiveScript
  STDMETHODIMP SetScriptSite(IActiveScriptSite* site) override {
    site_ = site;
    site_->AddRef();
    return S_OK;
  }
  STDMETHODIMP GetScriptSite(REFIID, void** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP SetScriptState(SCRIPTSTATE state) override {
    if (state != SCRIPTSTATE_CONNECTED || !loops_) return S_OK;
    // A "script" that calls loop() runs until it is interrupted (or gives up after a while).
    SetEvent(FakeScriptEngineClass::running);
    DWORD wait = WaitForSingleObject(g_interrupted, 10000);
    ResetEvent(FakeScriptEngineClass::running);
    if (wait != WAIT_OBJECT_0) return S_OK;
    FakeError error;
    site_->OnScriptError(&error);
    return static_cast<HRESULT>(0x80020101);
  }
  STDMETHODIMP GetScriptState(SCRIPTSTATE* state) override {
    *state = SCRIPTSTATE_CONNECTED;
    return S_OK;
  }
  STDMETHODIMP Close() override {
    if (site_) site_->Release();
    site_ = nullptr;
    return S_OK;
  }
  STDMETHODIMP AddNamedItem(LPCOLESTR, DWORD) override { return S_OK; }
  STDMETHODIMP AddTypeLib(REFGUID, DWORD, DWORD, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetScriptDispatch(LPCOLESTR, IDispatch** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetCurrentScriptThreadID(SCRIPTTHREADID* id) override {
    *id = 0;
    return S_OK;
  }
  STDMETHODIMP GetScriptThreadID(DWORD, SCRIPTTHREADID* id) override {
    *id = 0;
    return S_OK;
  }
  STDMETHODIMP GetScriptThreadState(SCRIPTTHREADID, SCRIPTTHREADSTATE* state) override {
    *state = SCRIPTTHREADSTATE_RUNNING;
    return S_OK;
  }
  STDMETHODIMP InterruptScriptThread(SCRIPTTHREADID thread, const EXCEPINFO*, DWORD) override {
    if (thread == SCRIPTTHREADID_ALL) InterlockedIncrement(&FakeScriptEngineClass::interruptsAll);
    SetEvent(g_interrupted);
    return S_OK;
  }
  STDMETHODIMP Clone(IActiveScript** out) override {
    *out = nullptr;
    return E_NOTIMPL;
  }

  // IActiveScriptParse
  STDMETHODIMP InitNew() override { return S_OK; }
  STDMETHODIMP AddScriptlet(LPCOLESTR, LPCOLESTR, LPCOLESTR, LPCOLESTR, LPCOLESTR, LPCOLESTR, DWORDLONG, ULONG,
                            DWORD, BSTR*, EXCEPINFO*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ParseScriptText(LPCOLESTR text, LPCOLESTR, IUnknown*, LPCOLESTR, DWORDLONG, ULONG, DWORD, VARIANT*,
                               EXCEPINFO*) override {
    if (text && wcsstr(text, L"loop()")) loops_ = true;
    return S_OK;
  }

 private:
  volatile LONG refs_ = 1;
  IActiveScriptSite* site_ = nullptr;
  bool loops_ = false;
};

class Factory : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = this;
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
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* engine = new FakeEngine;
    HRESULT hr = engine->QueryInterface(iid, out);
    engine->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
  virtual ~Factory() = default;

 private:
  volatile LONG refs_ = 1;
};

}  // namespace

LONG FakeScriptEngineClass::created = 0;
LONG FakeScriptEngineClass::interruptsAll = 0;
HANDLE FakeScriptEngineClass::running = nullptr;

FakeScriptEngineClass::FakeScriptEngineClass(const CLSID& clsid) {
  created = 0;
  interruptsAll = 0;
  if (!g_interrupted) g_interrupted = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!running) running = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ResetEvent(g_interrupted);
  factory_ = new Factory;
  CoRegisterClassObject(clsid, factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
}

FakeScriptEngineClass::~FakeScriptEngineClass() {
  CoRevokeClassObject(cookie_);
  factory_->Release();
}
