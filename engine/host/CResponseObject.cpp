#include "host/CResponseObject.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "app/YPageContext.h"
#include "automation/ScopedVariant.h"
#include "automation/TextConversion.h"
#include "automation/YAutomationError.h"
#include "compiler/CAspParser.h"
#include "compiler/MergedWrites.h"
#include "host/ResponseHead.h"
#include "host/YServiceProvider.h"
#include "host/YWStream.h"
#include "objects/YCookieDictionary.h"

const IID IID_CResponseObject = {0x198534DD, 0x4630, 0x4BDF, {0xBD, 0xC2, 0x49, 0x8B, 0x99, 0x42, 0xE3, 0x1A}};

namespace {

// Text that goes into the response head must not be able to end a header line.
void RefuseLineBreaks(const char* text) {
  if (text && std::strpbrk(text, "\r\n")) {
    throw YAutomationError(E_INVALIDARG, L"A header value must not contain a line break.");
  }
}

// The value as a string, or nothing when it has no string form.
bool ToBstr(const VARIANT& value, ScopedVariant* text, HRESULT* hr = nullptr) {
  HRESULT result = VariantChangeType(text->Receive(), const_cast<VARIANT*>(&value), kScriptTextFlags, VT_BSTR);
  if (hr) *hr = result;
  return SUCCEEDED(result);
}

}  // namespace

CResponseObject::CResponseObject(YPageContext* context) : context_(context) {}

CResponseObject::~CResponseObject() {
  if (cookies_) cookies_->Release();
}

const YDispatchMap& CResponseObject::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&CResponseObject::GetCookies>("Cookies"),
      DispProperty<&CResponseObject::GetBuffer, &CResponseObject::SetBuffer>("Buffer"),
      DispProperty<&CResponseObject::GetCacheControl, &CResponseObject::SetCacheControl>("CacheControl"),
      DispProperty<&CResponseObject::GetCharset, &CResponseObject::SetCharset>("Charset"),
      DispProperty<&CResponseObject::GetContentType, &CResponseObject::SetContentType>("ContentType"),
      DispProperty<&CResponseObject::GetExpires, &CResponseObject::SetExpires>("Expires"),
      DispProperty<&CResponseObject::GetExpiresAbsolute, &CResponseObject::SetExpiresAbsolute>("ExpiresAbsolute"),
      DispProperty<&CResponseObject::GetCodePage, &CResponseObject::SetCodePage>("CodePage"),
      DispProperty<&CResponseObject::GetPics, &CResponseObject::SetPics>("Pics"),
      DispProperty<&CResponseObject::GetStatus, &CResponseObject::SetStatus>("Status"),
      DispProperty<&CResponseObject::IsClientConnected>("IsClientConnected"),
      DispMethod<&CResponseObject::End>("End"),
      DispMethod<&CResponseObject::Flush>("Flush"),
      DispMethod<&CResponseObject::Clear>("Clear"),
      DispMethod<&CResponseObject::Write>("Write"),
      DispMethod<&CResponseObject::Print>("Print"),
      DispMethod<&CResponseObject::HtmlBlock>("HtmlBlock"),
      DispMethod<&CResponseObject::BinaryWrite>("BinaryWrite"),
      DispMethod<&CResponseObject::AddHeader>("AddHeader"),
      DispMethod<&CResponseObject::Redirect>("Redirect"),
      DispMethod<&CResponseObject::WriteRun>("vellum_WriteRun"),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}

std::span<const YInterfaceEntry> CResponseObject::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {
      {&IID_CResponseObject, nullptr},
      {&IID_IStream, NestedInterfaceOf<&CResponseObject::stream_>},
  };
  return kEntries;
}

void CResponseObject::SetCookies(YCookieDictionary* cookies) {
  if (cookies) cookies->AddRef();
  if (cookies_) cookies_->Release();
  cookies_ = cookies;
}

ComPtr<IDispatch> CResponseObject::GetCookies() {
  return cookies_ ? ComPtr<IDispatch>(cookies_->GetIDispatch(false)) : ComPtr<IDispatch>();
}

void CResponseObject::SetCacheControl(const char* value) {
  RefuseLineBreaks(value);
  cacheControl_ = value;
}

void CResponseObject::SetCharset(const char* value) {
  RefuseLineBreaks(value);
  charset_ = value;
}

void CResponseObject::SetContentType(const char* value) {
  RefuseLineBreaks(value);
  contentType_ = value;
}

void CResponseObject::End() {
  writingEnabled_ = false;
  if (CAspParser* page = context_->currentPage()) page->StopScriptsFromMember();
}

bool CResponseObject::WriteToClient(const void* data, size_t length) {
  YServiceProvider* host = context_->provider();
  return host && host->getOutputStream()->write(data, static_cast<uint32_t>(length));
}

bool CResponseObject::WritePending() {
  bool ok = true;
  if (!buffer_.empty() && context_->sendBody()) ok = WriteToClient(buffer_.data(), buffer_.size());
  buffer_.clear();
  return ok;
}

void CResponseObject::Flush() {
  BuildHead(*context_);
  WritePending();
}

void CResponseObject::Clear() {
  buffer_.clear();
  writingEnabled_ = !bufferLimitExceeded_;
}

void CResponseObject::Write(const VARIANT& value) {
  if (!writingEnabled_) return;
  ScopedVariant text;
  if (!ToBstr(value, &text)) return;  // a value without string form writes nothing
  const UINT codePage = static_cast<UINT>(context_->GetCodePage());
  buffer_ += WideToNarrow(std::wstring_view(V_BSTR(text.ptr()), SysStringLen(V_BSTR(text.ptr()))), codePage);
  CheckBufferLimit();
}

std::string CResponseObject::BufferLimitReport() const {
  return "<p>response buffer limit exceeded: the page buffered more than " + std::to_string(bufferLimit_) +
         " bytes</p>";
}

void CResponseObject::CheckBufferLimit() {
  if (buffer_.size() <= bufferLimit_) return;
  bufferLimitExceeded_ = true;
  writingEnabled_ = false;
  std::string().swap(buffer_);  // the memory goes back at once
  throw YAutomationError(CTL_E_OUTOFMEMORY,
                         L"response buffer limit exceeded: the page buffered more than " +
                             std::to_wstring(bufferLimit_) +
                             L" bytes (Response.Flush sends buffered output and empties the buffer)",
                         L"Response");
}

void CResponseObject::Print(const VARIANT& value) {
  if (!writingEnabled_) return;
  ScopedVariant text;
  if (!ToBstr(value, &text)) return;
  std::printf("%s\n", BstrToNarrow(V_BSTR(text.ptr()), static_cast<UINT>(context_->GetCodePage())).c_str());
  std::fflush(stdout);
}

void CResponseObject::HtmlBlock(LONG index) {
  CAspParser* page = context_->currentPage();
  // A page that stopped itself writes nothing more, also where the engine runs on.
  if (!page || page->scriptsAborted()) return;
  const auto& blocks = page->htmlBlocks();
  if (index < 0 || static_cast<size_t>(index) >= blocks.size() || !writingEnabled_) return;
  buffer_ += blocks[index].text;
  CheckBufferLimit();
}

void CResponseObject::WriteRun(const char* layout, const VARIANT& v1, const VARIANT& v2, const VARIANT& v3,
                               const VARIANT& v4, const VARIANT& v5, const VARIANT& v6, const VARIANT& v7) {
  const VARIANT* values[] = {&v1, &v2, &v3, &v4, &v5, &v6, &v7};
  static_assert(std::size(values) == kMaxRunValues);
  HRESULT hr = ForEachRunPiece(
      layout ? layout : "", kMaxRunValues, [this](LONG block) { HtmlBlock(block); },
      [this, &values](size_t index) { Write(*values[index]); });
  if (FAILED(hr)) throw YAutomationError(hr);
}

void CResponseObject::BinaryWrite(const VARIANT& value) {
  BuildHead(*context_);
  WritePending();
  if (V_VT(&value) == (VT_ARRAY | VT_UI1)) {
    // Bytes (as Request.BinaryRead answers them) go out unchanged.
    SAFEARRAY* array = V_ARRAY(&value);
    LONG lower = 0, upper = -1;
    if (!array || SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper))) {
      throw YAutomationError(DISP_E_TYPEMISMATCH);
    }
    if (!context_->sendBody() || !writingEnabled_ || upper < lower) return;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) throw YAutomationError(E_UNEXPECTED);
    WriteToClient(data, static_cast<size_t>(upper - lower + 1));
    SafeArrayUnaccessData(array);
    return;
  }
  ScopedVariant text;
  HRESULT hr = S_OK;
  if (!ToBstr(value, &text, &hr)) throw YAutomationError(hr);
  if (!context_->sendBody() || !writingEnabled_) return;
  BSTR bytes = V_BSTR(text.ptr());
  WriteToClient(bytes, SysStringByteLen(bytes));
}

void CResponseObject::SetStatus(const char* value) {
  int code = 0;
  std::string reason;
  if (!ParseStatusLine(value ? value : "", &code, &reason)) {
    throw YAutomationError(E_INVALIDARG,
                           L"Response.Status needs three digits, a blank and a text, as in \"404 Not Found\".");
  }
  status_ = value;
}

void CResponseObject::AddHeader(const char* name, const char* value) {
  RefuseLineBreaks(name);
  RefuseLineBreaks(value);
  if (YServiceProvider* host = context_->provider()) host->addHeader(name, value);
}

void CResponseObject::Redirect(const VARIANT& url) {
  std::string target;
  if (V_VT(&url) != VT_ERROR) {
    ScopedVariant text;
    HRESULT hr = S_OK;
    if (!ToBstr(url, &text, &hr)) throw YAutomationError(hr);
    target = BstrToNarrow(V_BSTR(text.ptr()), ScriptCodePage());
    RefuseLineBreaks(target.c_str());
  }
  context_->SetRedirect(std::move(target));
  if (CAspParser* page = context_->currentPage()) page->StopScriptsFromMember();
}

// ---------------------------------------------------------------------------------
// XIResponseStream

STDMETHODIMP CResponseObject::XIResponseStream::Read(void*, ULONG, ULONG*) { return S_FALSE; }

STDMETHODIMP CResponseObject::XIResponseStream::Write(const void* data, ULONG count, ULONG* written) {
  CResponseObject* response = self();
  YPageContext* context = response->context_;
  BuildHead(*context);
  if (!context->sendBody() || !response->writingEnabled_) return S_OK;
  response->WritePending();
  if (count > 0 && data) response->WriteToClient(data, count);
  if (written) *written = count;
  return S_OK;
}
