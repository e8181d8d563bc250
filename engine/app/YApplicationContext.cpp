#include "app/YApplicationContext.h"

#include <activscp.h>

#include <cstdio>
#include <exception>

#include "app/CApplicationObject.h"
#include "app/YPageContext.h"
#include "automation/Clock.h"
#include "automation/TextConversion.h"
#include "objects/YSessionDictionary.h"
#include "script/CScriptEngine.h"

namespace {

constexpr DWORD kIntrinsicItemFlags = SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISPERSISTENT;
// A handler runs under the same deadline as a page.
constexpr int64_t kEventTimeoutSeconds = YPageContext::kPageTimeoutSeconds;

}  // namespace

YApplicationContext::YApplicationContext(CApplicationObject* application) : application_(application) {
  parser_.SetContext(this);
}

YApplicationContext::~YApplicationContext() { parser_.Clear(); }

bool YApplicationContext::Compile(const std::string& path) { return parser_.CompileFile("/", path.c_str()); }

bool YApplicationContext::RunEvent(const wchar_t* name) {
  try {
    parser_.set_deadline(SecondsSince1970() + kEventTimeoutSeconds);
    bool ran = false;
    if (parser_.Run()) {
      ComPtr<IDispatch> script;
      CScriptEngine* engine = parser_.defaultEngine();
      if (engine && SUCCEEDED(engine->GetScriptDispatch(script.Receive())) && script) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID dispid = DISPID_UNKNOWN;
        if (SUCCEEDED(script->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid))) {
          DISPPARAMS none = {};
          ran = SUCCEEDED(script->Invoke(dispid, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                                         nullptr, nullptr));
        }
      }
    }
    parser_.CloseEngines();
    return ran;
  } catch (const std::exception&) {
    std::fputs("exception\n", stdout);
    parser_.CloseEngines();
    return false;
  }
}

void YApplicationContext::CreateSessionObjects(CSessionObject* session) {
  for (const auto& [name, clsid] : sessionObjects_) {
    IUnknown* object = nullptr;
    if (FAILED(
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object)))) {
      continue;
    }
    session->staticObjects()->StoreObject(name, object);
  }
}

// ---------------------------------------------------------------------------------
// What the compiler and the script host ask.

IUnknown* YApplicationContext::FindObject(const char* name, bool addRef) {
  IUnknown* object = application_->staticObjects()->LookupObject(name ? name : "");
  if (object && addRef) object->AddRef();
  return object;
}

bool YApplicationContext::HasObject(const char* name) {
  return FindObject(name, false) || sessionObjects_.count(name ? name : "") > 0;
}

bool YApplicationContext::AddObject(const char* name, const CLSID& clsid, const char* scope) {
  if (!name || !scope) return false;
  if (EqualsAsciiNoCase(scope, "application")) {
    IUnknown* object = nullptr;
    if (FAILED(
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object)))) {
      return false;
    }
    return application_->staticObjects()->StoreObject(name, object);
  }
  if (EqualsAsciiNoCase(scope, "session")) {
    sessionObjects_.emplace(name, clsid);
    return true;
  }
  return false;
}

HRESULT YApplicationContext::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown) {
  if (startingPage_) return startingPage_->GetItemInfo(name, mask, unknown);
  if (!(mask & SCRIPTINFO_IUNKNOWN) || !unknown || !name) return E_UNEXPECTED;
  *unknown = nullptr;
  std::wstring_view item(name);
  if (endingSession_ && EqualsAsciiNoCase(item, "Session")) {
    *unknown = endingSession_->GetIDispatch(true);
    return S_OK;
  }
  if (EqualsAsciiNoCase(item, "Application")) {
    *unknown = application_->GetIDispatch(true);
    return S_OK;
  }
  *unknown = FindObject(WideToNarrow(item, static_cast<UINT>(GetCodePage())).c_str(), true);
  return *unknown ? S_OK : E_UNEXPECTED;
}

bool YApplicationContext::AddNamedItems(CScriptEngine* engine) {
  if (startingPage_) return startingPage_->AddNamedItems(engine);
  if (FAILED(engine->AddNamedItem(L"Application", kIntrinsicItemFlags))) return false;
  application_->staticObjects()->RegisterNamedItems(engine);
  if (endingSession_ && FAILED(engine->AddNamedItem(L"Session", kIntrinsicItemFlags))) return false;
  return true;
}
