#include "CRequestObject.h"

#include <cstring>
#include <new>
#include <vector>

#include "automation/ScopedSafeArray.h"
#include "automation/TextConversion.h"
#include "automation/YAutomationError.h"
#include "host/YServiceProvider.h"
#include "objects/CCookie.h"
#include "objects/UrlEncoding.h"
#include "objects/VariantArgs.h"
#include "objects/YCookieDictionary.h"
#include "objects/YDicVal.h"
#include "objects/YDictionary.h"
#include "objects/YRequestContext.h"
#include "objects/YServerVariablesDictionary.h"

const IID IID_CRequestObject = {0x8651C3A1, 0x145D, 0x424B, {0x89, 0x1E, 0x51, 0xA5, 0x83, 0x6F, 0xA1, 0xB4}};

namespace {

// The server variables read at intake, in this order.
constexpr const char* kFixedVariables[] = {
    "ALL_RAW",         "CONTENT_LENGTH",  "CONTENT_TYPE",    "PATH_INFO",   "PATH_TRANSLATED",    "QUERY_STRING",
    "REMOTE_ADDR",     "REMOTE_HOST",     "REQUEST_METHOD",  "SCRIPT_NAME", "SERVER_NAME",        "SERVER_PORT",
    "SERVER_PROTOCOL", "SERVER_SOFTWARE", "SCRIPT_FILENAME", "URL",         "APPL_PHYSICAL_PATH",
};

constexpr std::string_view kFormContentType = "application/x-www-form-urlencoded";

// Reads one server variable. firstSize is the buffer of the first call; 0 asks the size
// first. A value longer than the buffer is read again whole in a buffer of the size the
// server asks for, fresh each time, so that it never holds another variable's text.
// False when the server has no value for it.
bool FetchServerVariable(YServiceProvider* host, const char* name, DWORD firstSize, std::string* value) {
  DWORD size = firstSize;
  if (size == 0) {
    DWORD needed = 0;
    host->getServerVariable(name, nullptr, &needed);
    if (needed == 0 || needed > CRequestObject::kMaxServerVariableBytes) return false;
    size = needed;
  }
  std::vector<char> buffer;
  for (int attempt = 0; attempt < 2; ++attempt) {
    buffer.assign(size + 1, '\0');
    DWORD written = size;
    if (host->getServerVariable(name, buffer.data(), &written)) {
      if (written == 0) return false;
      value->assign(buffer.data(), strnlen(buffer.data(), size));
      return true;
    }
    if (written <= size || written > CRequestObject::kMaxServerVariableBytes) return false;
    size = written;
  }
  return false;
}

}  // namespace

CRequestObject::CRequestObject()
    : cookies_(new YCookieDictionary),
      queryString_(new YDictionary),
      form_(new YDictionary),
      serverVariables_(new YServerVariablesDictionary) {}

CRequestObject::~CRequestObject() {
  queryString_->SetContext(nullptr);
  form_->SetContext(nullptr);
  cookies_->Release();
  queryString_->Release();
  form_->Release();
  serverVariables_->Release();
}

std::span<const YInterfaceEntry> CRequestObject::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {
      {&IID_CRequestObject, nullptr},
      {&IID_IStream, NestedInterfaceOf<&CRequestObject::stream_>},
  };
  return kEntries;
}

// ---------------------------------------------------------------------------------
// Engine side.

void CRequestObject::SetPageContext(YRequestContext* context) {
  pageContext_ = context;
  queryString_->SetContext(context);
  form_->SetContext(context);
  body_.Attach(host_, context);
}

bool CRequestObject::Intake(YServiceProvider* host, YHeaderLinesParser parseHeaders) {
  if (!host) return false;
  host_ = host;
  body_.Attach(host, pageContext_);
  bool complete = true;
  try {
    std::string allHttp;
    if (FetchServerVariable(host, "ALL_HTTP", 0, &allHttp)) {
      serverVariables_->Add("ALL_HTTP", allHttp);
      if (parseHeaders) {
        // The parser works in place; the NUL after the last line feed keeps that line
        // from being taken for one that a continuation may still follow.
        std::vector<char> text(allHttp.begin(), allHttp.end());
        if (text.empty() || text.back() != '\n') text.push_back('\n');
        text.push_back('\0');
        parseHeaders(text.data(), static_cast<int>(text.size()), this);
      }
    }
    ReadFixedServerVariables();
    ParseQueryString(host->getQueryString(), *queryString_);
  } catch (const std::bad_alloc&) {
    complete = false;
  }
  // Whatever was read, the response shares the cookies and sends back only changed ones.
  if (pageContext_) pageContext_->SetResponseCookies(cookies_);
  cookies_->ClearChanged();
  return complete;
}

void CRequestObject::ReadFixedServerVariables() {
  for (const char* name : kFixedVariables) {
    std::string value;
    if (!FetchServerVariable(host_, name, kServerVariableBuffer, &value) || value.empty()) continue;
    serverVariables_->Add(name, value);
    if (strcmp(name, "CONTENT_TYPE") == 0) {
      body_.SetFormBody(EqualsAsciiNoCase(value, kFormContentType));
    } else if (strcmp(name, "APPL_PHYSICAL_PATH") == 0 && pageContext_) {
      pageContext_->SetApplicationRoot(value.c_str());
    }
  }
}

int CRequestObject::onHeader(const char* name, char* value, int* valueLength, bool) {
  try {
    std::string_view text(value, valueLength && *valueLength > 0 ? static_cast<size_t>(*valueLength) : 0);
    std::string_view header = name ? name : "";
    if (EqualsAsciiNoCase(header, "HTTP_COOKIE")) cookies_->ParseCookieHeader(text, &sessionId_);
    serverVariables_->Add(header, text);
  } catch (const std::bad_alloc&) {
    return kAbort;
  }
  return kConsumed;
}

void CRequestObject::EndRequest() {
  queryString_->RemoveAll();
  form_->RemoveAll();
  serverVariables_->RemoveAll();
  cookies_->ClearCookies();
  SetPageContext(nullptr);
  host_ = nullptr;
  body_.Detach();
}

void CRequestObject::LoadForm() {
  std::string body;
  if (!body_.ReadForm(&body)) return;
  try {
    // A NUL inside the body ends the text there.
    body.resize(strnlen(body.c_str(), body.size()));
    form_->SetRawText(body);
    ParseFormBody(body, *form_);
  } catch (const std::bad_alloc&) {
    form_->RemoveAll();
  }
}

// ---------------------------------------------------------------------------------
// Script members.

LONG CRequestObject::TotalBytes() { return static_cast<LONG>(body_.ContentLength()); }

ComPtr<IDispatch> CRequestObject::QueryString() { return ComPtr<IDispatch>(queryString_->GetIDispatch(false)); }

ComPtr<IDispatch> CRequestObject::Form() {
  LoadForm();
  return ComPtr<IDispatch>(form_->GetIDispatch(false));
}

ScopedVariant CRequestObject::BinaryRead(LONG count) {
  if (count <= 0) return {};
  uint32_t n = std::min(static_cast<uint32_t>(count), body_.Available());
  if (n == 0) return {};
  ScopedSafeArray bytes(SafeArrayCreateVector(VT_UI1, 0, n));
  if (!bytes.Get()) throw YAutomationError(E_OUTOFMEMORY);
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(bytes.Get(), &data))) throw YAutomationError(E_OUTOFMEMORY);
  body_.Read(data, n);  // bytes a failed host read did not deliver stay 0
  SafeArrayUnaccessData(bytes.Get());
  ScopedVariant result;
  VARIANT* slot = result.Receive();
  V_VT(slot) = VT_ARRAY | VT_UI1;
  V_ARRAY(slot) = bytes.Release();
  return result;
}

ComPtr<IDispatch> CRequestObject::ClientCertificate() {
  auto* certificate = new YDictionary;
  return ComPtr<IDispatch>::Adopt(certificate->GetIDispatch(false));
}

ComPtr<IDispatch> CRequestObject::ServerVariables() { return ComPtr<IDispatch>(serverVariables_->GetIDispatch(false)); }

ComPtr<IDispatch> CRequestObject::Cookies() { return ComPtr<IDispatch>(cookies_->GetIDispatch(false)); }

ScopedVariant CRequestObject::Item(const VARIANT& key) {
  if (IsOmitted(key)) throw YAutomationError(DISP_E_PARAMNOTOPTIONAL);
  std::string name = VariantToNarrow(key);
  if (YDicVal* value = queryString_->Find(name)) return value->Value(*ScopedVariant::Missing().ptr());
  LoadForm();
  if (YDicVal* value = form_->Find(name)) return value->Value(*ScopedVariant::Missing().ptr());
  if (CCookie* cookie = cookies_->FindCookie(name)) return ScopedVariant::Dispatch(cookie->GetIDispatch(false));
  const std::string* variable = serverVariables_->Find(name);
  if (!variable) return {};
  return ScopedVariant::String(NarrowToWide(*variable, ScriptCodePage()));
}

const YDispatchMap& CRequestObject::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&CRequestObject::TotalBytes>("TotalBytes"),
      DispProperty<&CRequestObject::QueryString>("QueryString"),
      DispProperty<&CRequestObject::Form>("Form"),
      DispMethod<&CRequestObject::BinaryRead>("BinaryRead"),
      DispProperty<&CRequestObject::ClientCertificate>("ClientCertificate"),
      DispProperty<&CRequestObject::ServerVariables>("ServerVariables"),
      DispProperty<&CRequestObject::Cookies>("Cookies"),
      DispProperty<&CRequestObject::Item>("Item", DISPID_VALUE),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}

// ---------------------------------------------------------------------------------
// XIRequestStream.

STDMETHODIMP CRequestObject::XIRequestStream::Read(void* buffer, ULONG wanted, ULONG* read) {
  if (read) *read = 0;
  if (!buffer && wanted > 0) return STG_E_INVALIDPOINTER;
  YRequestBody::ReadResult result = self()->body_.Read(buffer, wanted);
  if (read) *read = result.delivered;
  return result.count > 0 && result.ok ? S_OK : S_FALSE;
}

STDMETHODIMP CRequestObject::XIRequestStream::Write(const void*, ULONG, ULONG*) { return S_FALSE; }
