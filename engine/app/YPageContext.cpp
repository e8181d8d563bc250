#include "app/YPageContext.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/CApplicationManager.h"
#include "app/CApplicationObject.h"
#include "app/CSessionObject.h"
#include "automation/Clock.h"
#include "automation/TextConversion.h"
#include "automation/YAutomationError.h"
#include "compiler/CAspParser.h"
#include "host/CResponseObject.h"
#include "host/ResponseHead.h"
#include "host/YHttpProtocolParser.h"
#include "host/YServiceProvider.h"
#include "host/YStream.h"
#include "objects/CRequestObject.h"
#include "objects/YSessionDictionary.h"
#include "script/CScriptEngine.h"
#include "script/CServerObject.h"
#include "script/YRunawayCheck.h"

namespace {

constexpr DWORD kIntrinsicItemFlags = SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISPERSISTENT;

// The value of a server variable the host may not know; empty when it does not.
std::string HostSetting(YServiceProvider* provider, const char* name) {
  char value[64];
  DWORD size = sizeof value;
  if (!provider->getServerVariable(name, value, &size) || size == 0 || size > sizeof value) return {};
  return std::string(value, strnlen(value, size));
}

// A code page number the system can convert with, else 0.
int UsableCodePage(const std::string& text) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  const int codePage = std::atoi(text.c_str());
  return codePage > 0 && IsValidCodePage(static_cast<UINT>(codePage)) ? codePage : 0;
}

// The URL directory of a path: up to and including its last "/".
std::string UrlDirectory(const char* path) {
  std::string text = path ? path : "";
  size_t slash = text.rfind('/');
  return slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
}

}  // namespace

YPageContext::YPageContext()
    : response_(new CResponseObject(this)), request_(new CRequestObject), server_(new CServerObject(this)) {
  request_->SetPageContext(this);
  deadline_ = SecondsSince1970() + kPageTimeoutSeconds;
}

YPageContext::~YPageContext() {
  currentPage_.reset();
  response_->Release();
  request_->EndRequest();
  request_->SetPageContext(nullptr);
  request_->Release();
  server_->Release();
  pageObjects_.clear();
  // An Application.Lock left held goes first: ending the session may need the
  // application's mutex, which a thread waiting for that lock may hold.
  if (application_) application_->ReleaseLocksOfThread();
  if (session_ && application_) application_->DetachSession(session_);
  if (application_) CApplicationManager::ReleaseApplication(application_);
}

// ---------------------------------------------------------------------------------
// The request's life.

void YPageContext::attach(YServiceProvider* provider) {
  provider_ = provider;
  request_->Intake(provider, &ParseHeaderLines);
  hostCodePage_ = UsableCodePage(HostSetting(provider, "DEFAULT_CODEPAGE"));
  // Settings the host may give: how much a page may buffer, whether error reports may
  // show physical paths.
  const std::string limit = HostSetting(provider, "RESPONSE_BUFFER_LIMIT");
  const unsigned long long bytes = std::strtoull(limit.c_str(), nullptr, 10);
  if (bytes > 0) response_->set_bufferLimit(static_cast<size_t>(bytes));
  debugErrors_ = HostSetting(provider, "DEBUG_ERRORS") == "1";
  server_->SetDirectories(applicationRoot_, UrlDirectory(provider->getPathInfo()));
}

int YPageContext::runPage(const char* url, const char* path) {
  std::string pageUrl = url ? url : "";
  std::string pagePath = path ? path : "";
  PageCodePageScope codePage([this] { return GetCodePage(); });
  for (int runs = 1;; ++runs) {
    currentPage_.reset();
    currentPage_ = std::make_unique<CAspParser>();
    targetUrl_.clear();
    transferPending_ = false;
    currentPage_->set_deadline(deadline_);
    currentPage_->SetContext(this);
    if (!currentPage_->CompileFile(pageUrl.c_str(), pagePath.c_str())) return 0;
    const int result = currentPage_->Run() ? 1 : 0;
    if (!transferPending_) return result;
    pageUrl = targetUrl_;
    if (!MapVirtualPath(pageUrl.c_str(), &pagePath) || runs >= kMaxPageRuns) return result;
  }
}

int YPageContext::executePage(const char* url) {
  std::string path;
  if (!MapVirtualPath(url, &path)) return 0;
  if (YRunawayCheck::StackInUse() > kMaxScriptStackBytes) {
    throw YAutomationError(CTL_E_OUTOFSTACKSPACE, L"Out of stack space", L"Server.Execute");
  }
  if (executeDepth_ >= kMaxExecuteDepth) {
    throw YAutomationError(CTL_E_OUTOFSTACKSPACE,
                           L"Server.Execute nested more than " + std::to_wstring(kMaxExecuteDepth) +
                               L" pages deep (a page that executes itself?)",
                           L"Server.Execute");
  }
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(++d) {}
    ~Depth() { --depth; }
  } depth(executeDepth_);
  // The running page steps aside while the child runs and comes back however it ends.
  struct Restore {
    YPageContext* self;
    std::unique_ptr<CAspParser> parent;
    ~Restore() { self->currentPage_ = std::move(parent); }
  } restore{this, std::move(currentPage_)};
  const int result = runPage(url, path.c_str());
  if (result == 0) response_->buffer() += PageErrorText();
  return result;
}

bool YPageContext::finish(int result) {
  if (response_->bufferLimitExceeded()) result = 0;
  pageFailed_ = result == 0;
  BuildHead(*this);
  if (!sendBody_) return true;
  YWStream* out = provider_->getOutputStream();
  std::string body = std::move(response_->buffer());
  response_->buffer().clear();
  if (!body.empty() && !out->write(body.data(), static_cast<uint32_t>(body.size()))) return false;
  if (result == 0) {
    std::string error = PageErrorText();
    if (response_->bufferLimitExceeded() && error.empty()) error = response_->BufferLimitReport();
    // The server log takes one plain line: what failed and where, no HTML.
    std::string summary = currentPage_ ? currentPage_->ErrorSummary() : std::string();
    if (summary.empty() && response_->bufferLimitExceeded()) summary = "the response buffer limit was exceeded";
    std::string log = "page failed: " + summary;
    for (char& c : log) {
      if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    provider_->appendLog(log.c_str());
    if (!error.empty() && !out->write(error.data(), static_cast<uint32_t>(error.size()))) return false;
  }
  return true;
}

std::string YPageContext::PageErrorText() const { return currentPage_ ? currentPage_->ErrorText() : std::string(); }

void YPageContext::SetRedirect(std::string url) {
  targetUrl_ = std::move(url);
  transferPending_ = false;
}

void YPageContext::SetTransfer(std::string url) {
  targetUrl_ = std::move(url);
  transferPending_ = true;
}

void YPageContext::SetDeadline(int64_t deadline) {
  deadline_ = deadline;
  if (currentPage_) currentPage_->set_deadline(deadline);
}

// ---------------------------------------------------------------------------------
// What the compiler and the script host ask.

IUnknown* YPageContext::FindObject(const char* name, bool addRef) {
  for (PageObject& entry : pageObjects_) {
    if (EqualsAsciiNoCase(entry.name, name)) {
      if (addRef) entry.object->AddRef();
      return entry.object.Get();
    }
  }
  const char* key = name ? name : "";
  IUnknown* object = session_ ? session_->staticObjects()->LookupObject(key) : nullptr;
  if (!object && application_) object = application_->staticObjects()->LookupObject(key);
  if (object && addRef) object->AddRef();
  return object;
}

int YPageContext::GetCodePage() {
  if (codePage_ > 0) return codePage_;
  if (response_->codePage() > 0) return response_->codePage();
  if (session_ && session_->codePage() > 0) return session_->codePage();
  return hostCodePage_;
}

bool YPageContext::CodePageChosen() {
  return codePage_ > 0 || response_->codePage() > 0 || (session_ && session_->codePage() > 0);
}

bool YPageContext::AddObject(const char* name, const CLSID& clsid, const char* scope) {
  ComPtr<IUnknown> object;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReceiveVoid()))) {
    return false;
  }
  const bool sessionScope = scope && EqualsAsciiNoCase(scope, "session");
  if (sessionScope || (scope && EqualsAsciiNoCase(scope, "application"))) {
    // Without a session or application to hold it, the object is not kept.
    CSessionObject* holder = sessionScope ? session_ : application_;
    return holder && holder->staticObjects()->StoreObject(name, object.Detach());
  }
  pageObjects_.push_back({name, std::move(object)});
  return true;
}

HRESULT YPageContext::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown) {
  if (!(mask & SCRIPTINFO_IUNKNOWN) || !unknown || !name) return E_UNEXPECTED;
  *unknown = nullptr;
  std::wstring_view item(name);
  CCmdTarget* intrinsic = EqualsAsciiNoCase(item, "Response")      ? static_cast<CCmdTarget*>(response_)
                          : EqualsAsciiNoCase(item, "Request")     ? static_cast<CCmdTarget*>(request_)
                          : EqualsAsciiNoCase(item, "Server")      ? static_cast<CCmdTarget*>(server_)
                          : EqualsAsciiNoCase(item, "Session")     ? static_cast<CCmdTarget*>(session_)
                          : EqualsAsciiNoCase(item, "Application") ? static_cast<CCmdTarget*>(application_)
                                                                   : nullptr;
  if (intrinsic) {
    *unknown = intrinsic->GetIDispatch(true);
    return S_OK;
  }
  std::string narrow = WideToNarrow(item, static_cast<UINT>(GetCodePage()));
  *unknown = FindObject(narrow.c_str(), true);
  return *unknown ? S_OK : E_UNEXPECTED;
}

bool YPageContext::AddNamedItems(CScriptEngine* engine) {
  for (const wchar_t* name : {L"Response", L"Request", L"Server"}) {
    if (FAILED(engine->AddNamedItem(name, kIntrinsicItemFlags))) return false;
  }
  if (session_) {
    if (FAILED(engine->AddNamedItem(L"Session", kIntrinsicItemFlags))) return false;
    session_->staticObjects()->RegisterNamedItems(engine);
  }
  if (application_) {
    if (FAILED(engine->AddNamedItem(L"Application", kIntrinsicItemFlags))) return false;
    application_->staticObjects()->RegisterNamedItems(engine);
  }
  for (const PageObject& entry : pageObjects_) {
    std::wstring name = NarrowToWide(entry.name, static_cast<UINT>(GetCodePage()));
    if (FAILED(engine->AddNamedItem(name.c_str(), kIntrinsicItemFlags))) return false;
  }
  return true;
}

bool YPageContext::WriteLiteral(const char* text) {
  response_->buffer() += text;
  return true;
}

bool YPageContext::MapVirtualPath(const char* url, std::string* path) {
  *path = server_->MapVirtualPath(url ? url : "");
  return true;
}

std::string YPageContext::ReportPath(const std::string& physicalPath) {
  if (debugErrors_) return physicalPath;
  std::string_view root = applicationRoot_;
  while (!root.empty() && (root.back() == '\\' || root.back() == '/')) root.remove_suffix(1);
  if (!root.empty() && physicalPath.size() > root.size() &&
      (physicalPath[root.size()] == '\\' || physicalPath[root.size()] == '/') &&
      EqualsAsciiNoCase(std::string_view(physicalPath).substr(0, root.size()), root)) {
    std::string relative = physicalPath.substr(root.size());
    for (char& c : relative)
      if (c == '\\') c = '/';
    return relative;
  }
  return YAspContext::ReportPath(physicalPath);
}

std::string YPageContext::MappingScope() { return server_->MappingScope(); }

// ---------------------------------------------------------------------------------
// What the Request object asks.

void YPageContext::SetApplicationRoot(const char* path) { applicationRoot_ = path ? path : ""; }

void YPageContext::SetResponseCookies(YCookieDictionary* cookies) { response_->SetCookies(cookies); }

int YPageContext::ReadClient(void* buffer, int length) {
  if (!provider_ || length <= 0) return -1;
  return provider_->getInputStream()->read(buffer, static_cast<uint32_t>(length));
}
