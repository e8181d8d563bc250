#include "ExtensionCall.h"

#include <cstring>
#include <new>

#include "HttpConnection.h"
#include "HttpServer.h"
#include "ResponseSink.h"
#include "UrlMapping.h"

ExtensionCall::ExtensionCall(HttpServer& server, HttpConnection& connection, const RequestFacts& facts,
                             RequestBody& body, ResponseSink& sink, std::string& logText)
    : server_(server), connection_(connection), facts_(facts), body_(body), sink_(sink), logText_(logText) {
  method_ = facts.head->method;
  query_ = facts.query;
  pathInfo_ = facts.urlPath;
  pathTranslated_ = facts.pathTranslated;
  if (const std::string* type = facts.head->Find("Content-Type")) contentType_ = *type;

  ecb_.cbSize = sizeof ecb_;
  ecb_.dwVersion = MAKELONG(HSE_VERSION_MINOR, HSE_VERSION_MAJOR);
  ecb_.ConnID = this;
  ecb_.dwHttpStatusCode = 200;
  ecb_.lpszMethod = method_.data();
  ecb_.lpszQueryString = query_.data();
  ecb_.lpszPathInfo = pathInfo_.data();
  ecb_.lpszPathTranslated = pathTranslated_.data();
  ecb_.cbTotalBytes = body.total > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(body.total);
  size_t preloaded = std::min<size_t>(body.memory.size(), kPreloadBytes);
  ecb_.cbAvailable = static_cast<DWORD>(preloaded);
  ecb_.lpbData = preloaded ? reinterpret_cast<LPBYTE>(const_cast<char*>(body.memory.data())) : nullptr;
  body.memoryRead = preloaded;
  ecb_.lpszContentType = contentType_.data();
  ecb_.GetServerVariable = GetServerVariable;
  ecb_.WriteClient = WriteClient;
  ecb_.ReadClient = ReadClient;
  ecb_.ServerSupportFunction = ServerSupportFunction;
}

void ExtensionCall::Run() {
  DWORD result = server_.extension().Call(&ecb_);
  bool failed = result != HSE_STATUS_SUCCESS && result != HSE_STATUS_SUCCESS_AND_KEEP_CONN;
  if (failed && !sink_.started()) {
    sink_.SendError(500, false);
    return;
  }
  if (failed) sink_.ForceClose();
  sink_.Finish();
}

ExtensionCall* ExtensionCall::From(HCONN connection) { return static_cast<ExtensionCall*>(connection); }

BOOL WINAPI ExtensionCall::GetServerVariable(HCONN connection, LPSTR name, LPVOID buffer, LPDWORD size) {
  ExtensionCall* self = From(connection);
  if (!self || !name || !size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  try {
    std::string value;
    switch (LookupServerVariable(self->facts_, name, &value)) {
      case VariableLookup::kFound: return CopyVariable(value, buffer, size);
      case VariableLookup::kNoData: SetLastError(ERROR_NO_DATA); return FALSE;
      case VariableLookup::kUnknown: break;
    }
    SetLastError(ERROR_INVALID_INDEX);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  }
  return FALSE;
}

BOOL WINAPI ExtensionCall::WriteClient(HCONN connection, LPVOID buffer, LPDWORD bytes, DWORD flags) {
  ExtensionCall* self = From(connection);
  if (!self || !bytes || (*bytes && !buffer) || (flags & HSE_IO_ASYNC)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  try {
    if (!self->sink_.Write(std::string_view(static_cast<const char*>(buffer), *bytes))) {
      SetLastError(ERROR_NETNAME_DELETED);
      return FALSE;
    }
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI ExtensionCall::ReadClient(HCONN connection, LPVOID buffer, LPDWORD size) {
  ExtensionCall* self = From(connection);
  if (!self || !size || (*size && !buffer)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  int length = *size > INT32_MAX ? INT32_MAX : static_cast<int>(*size);
  int got = self->connection_.ReadBody(self->body_, static_cast<char*>(buffer), length);
  if (got < 0) {
    *size = 0;
    SetLastError(ERROR_NETNAME_DELETED);
    return FALSE;
  }
  *size = static_cast<DWORD>(got);
  return TRUE;
}

BOOL WINAPI ExtensionCall::ServerSupportFunction(HCONN connection, DWORD request, LPVOID buffer, LPDWORD size,
                                                 LPDWORD dataType) {
  ExtensionCall* self = From(connection);
  if (!self) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  try {
    return self->Support(request, buffer, size, dataType);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
}

BOOL ExtensionCall::Support(DWORD request, LPVOID buffer, LPDWORD size, LPDWORD dataType) {
  switch (request) {
    case HSE_REQ_SEND_RESPONSE_HEADER: {
      const char* headers = reinterpret_cast<const char*>(dataType);
      if (!sink_.SetExtensionHead(ParseExtensionHead(static_cast<const char*>(buffer), headers ? headers : ""))) {
        SetLastError(sink_.started() && !sink_.committed() ? ERROR_INVALID_PARAMETER : ERROR_NETNAME_DELETED);
        return FALSE;
      }
      return TRUE;
    }
    case HSE_REQ_SEND_RESPONSE_HEADER_EX: {
      auto* info = static_cast<HSE_SEND_HEADER_EX_INFO*>(buffer);
      if (!info) break;
      std::string status = info->pszStatus ? std::string(info->pszStatus, info->cchStatus) : std::string();
      std::string_view headers = info->pszHeader ? std::string_view(info->pszHeader, info->cchHeader) : "";
      if (!info->fKeepConn) sink_.ForceClose();
      if (!sink_.SetExtensionHead(ParseExtensionHead(info->pszStatus ? status.c_str() : nullptr, headers))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      return TRUE;
    }
    case HSE_APPEND_LOG_PARAMETER: {
      const char* text = static_cast<const char*>(buffer);
      if (!text) break;
      size_t length = size ? strnlen(text, *size) : std::strlen(text);
      logText_.append(text, std::min(length, kMaxLogText - std::min(kMaxLogText, logText_.size())));
      return TRUE;
    }
    case HSE_REQ_GET_IMPERSONATION_TOKEN:
      if (!buffer || !server_.impersonationToken()) break;
      *static_cast<HANDLE*>(buffer) = server_.impersonationToken();
      return TRUE;
    case HSE_REQ_MAP_URL_TO_PATH: {
      if (!buffer || !size) break;
      MappedUrl mapped = MapUrl(static_cast<const char*>(buffer), server_.apps());
      if (mapped.status) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
      }
      return CopyVariable(mapped.physical, buffer, size);
    }
    case HSE_REQ_IS_KEEP_CONN:
      if (!buffer) break;
      *static_cast<BOOL*>(buffer) = sink_.keepAlive();
      return TRUE;
    case HSE_REQ_DONE_WITH_SESSION: return TRUE;
    case HSE_REQ_EXEC_URL: SetLastError(ERROR_NOT_SUPPORTED); return FALSE;
    default: break;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}
