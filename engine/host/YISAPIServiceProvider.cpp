#include "host/YISAPIServiceProvider.h"

#include <cstdio>
#include <cstring>

#include "automation/TextConversion.h"

namespace {

const char* const kMethods[YISAPIServiceProvider::kMethodCount + 1] = {
    "UNSET",      "OPTIONS",  "GET",        "HEAD",   "POST",        "PUT",    "DELETE", "TRACE",  "PROPFIND",
    "PROPPATCH",  "MKCOL",    "COPY",       "MOVE",   "LOCK",        "UNLOCK", "ACL",    "REPORT", "VERSION_CONTROL",
    "CHECKIN",    "CHECKOUT", "UNCHECKOUT", "SEARCH", "MKWORKSPACE", "UPDATE", "LABEL",  "MERGE",  "BASELINE_CONTROL",
    "MKACTIVITY", "CONNECT",  "PURGE"};

bool Append(YStringBuf& buffer, const char* text) {
  return buffer.write(text, static_cast<uint32_t>(std::strlen(text)));
}

}  // namespace

YISAPIServiceProvider::YISAPIServiceProvider() { headerValue_[0] = '\0'; }

YISAPIServiceProvider::~YISAPIServiceProvider() = default;

const char* YISAPIServiceProvider::methodName(unsigned number) {
  return number <= kMethodCount ? kMethods[number] : nullptr;
}

YWStream* YISAPIServiceProvider::getOutputStream() { return this; }

YStream* YISAPIServiceProvider::getInputStream() { return this; }

unsigned YISAPIServiceProvider::getMethod() {
  if (method_ != 0) return method_;
  const char* method = ecb_->lpszMethod;
  if (!method) return 0;
  for (unsigned i = 1; i <= kMethodCount; ++i) {
    if (EqualsAsciiNoCase(method, kMethods[i])) {
      method_ = static_cast<uint8_t>(i);
      break;
    }
  }
  return method_;
}

const char* YISAPIServiceProvider::getPathTranslated() { return ecb_->lpszPathTranslated; }

const char* YISAPIServiceProvider::getQueryString() { return ecb_->lpszQueryString; }

const char* YISAPIServiceProvider::getPathInfo() { return ecb_->lpszPathInfo; }

uint32_t YISAPIServiceProvider::getContentLength() { return ecb_->cbTotalBytes; }

const char* YISAPIServiceProvider::getContentType() { return ecb_->lpszContentType; }

const unsigned char* YISAPIServiceProvider::takePreloadedBody(uint32_t* length) {
  *length = ecb_->cbAvailable;
  ecb_->cbAvailable = 0;
  return ecb_->lpbData;
}

HANDLE YISAPIServiceProvider::getImpersonationToken() {
  HANDLE token = nullptr;
  if (!ecb_->ServerSupportFunction(ecb_->ConnID, HSE_REQ_GET_IMPERSONATION_TOKEN, &token, nullptr, nullptr))
    return nullptr;
  return token;
}

bool YISAPIServiceProvider::execUrl(const char* url) {
  HSE_EXEC_URL_INFO info{};
  info.pszUrl = const_cast<char*>(url);
  info.pszMethod = const_cast<char*>("GET");
  return ecb_->ServerSupportFunction(ecb_->ConnID, HSE_REQ_EXEC_URL, &info, nullptr, nullptr) != FALSE;
}

BOOL YISAPIServiceProvider::appendLog(const char* text) {
  DWORD size = static_cast<DWORD>(std::strlen(text));
  return ecb_->ServerSupportFunction(ecb_->ConnID, HSE_APPEND_LOG_PARAMETER, const_cast<char*>(text), &size, nullptr);
}

const char* YISAPIServiceProvider::getHttpHeader(const char* name) {
  // "HTTP_" and the name with "-" as "_" and letters upper-cased. A name too long for
  // the buffer cannot name a value that fits it either.
  char variable[kHeaderValueBufferSize];
  size_t length = std::strlen(name);
  if (length + 6 > sizeof variable) return nullptr;
  std::memcpy(variable, "HTTP_", 5);
  for (size_t i = 0; i < length; ++i) {
    char c = name[i];
    variable[5 + i] = c == '-' ? '_' : (c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c);
  }
  variable[5 + length] = '\0';
  DWORD size = kHeaderValueBufferSize;
  if (!getServerVariable(variable, headerValue_, &size)) return nullptr;
  return headerValue_;
}

bool YISAPIServiceProvider::getServerVariable(const char* name, char* buffer, DWORD* size) {
  return ecb_->GetServerVariable(ecb_->ConnID, const_cast<char*>(name), buffer, size) != FALSE;
}

bool YISAPIServiceProvider::isHeadSent() { return headSent_; }

bool YISAPIServiceProvider::reserved2(void*, void*) { return true; }

bool YISAPIServiceProvider::addHeader(const char* name, const char* value) {
  // Unlike a plain "true", a line that could not be stored is reported.
  return Append(headerLines_, name) && Append(headerLines_, ": ") && Append(headerLines_, value) &&
         Append(headerLines_, "\r\n");
}

bool YISAPIServiceProvider::setStatus(int code, const char* text) {
  statusLine_.clear();
  char number[16];
  int length = std::snprintf(number, sizeof number, "%d ", code);
  return statusLine_.write(number, static_cast<uint32_t>(length)) && Append(statusLine_, text ? text : "unknow");
}

int YISAPIServiceProvider::read(void* buffer, uint32_t length) {
  DWORD size = length;
  if (!ecb_->ReadClient(ecb_->ConnID, buffer, &size)) return -1;
  return static_cast<int>(size);
}

int YISAPIServiceProvider::writeRaw(const void* buffer, uint32_t length) {
  sendHead();
  // One call takes at most what the answer can count.
  DWORD size = length > INT32_MAX ? INT32_MAX : length;
  if (!ecb_->WriteClient(ecb_->ConnID, const_cast<void*>(buffer), &size, 0)) return -1;
  return static_cast<int>(size);
}

bool YISAPIServiceProvider::flush() {
  sendHead();
  return true;
}

void YISAPIServiceProvider::sendHead() {
  if (headSent_) return;
  headSent_ = true;
  if (headerLines_.size() == 0 && statusLine_.size() == 0) return;  // the server sends its own
  Append(headerLines_, "\r\n");
  ecb_->ServerSupportFunction(ecb_->ConnID, HSE_REQ_SEND_RESPONSE_HEADER, const_cast<char*>(statusLine_.terminate()),
                              nullptr, reinterpret_cast<DWORD*>(const_cast<char*>(headerLines_.terminate())));
}
