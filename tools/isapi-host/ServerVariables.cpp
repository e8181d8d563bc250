#include "ServerVariables.h"

#include <cstring>

std::string HeaderVariableName(std::string_view headerName) {
  std::string name = "HTTP_";
  for (char c : headerName) name += c == '-' ? '_' : (c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
  return name;
}

VariableLookup LookupServerVariable(const RequestFacts& facts, std::string_view name, std::string* value) {
  const HttpRequestHead& head = *facts.head;
  auto found = [&](std::string text) {
    *value = std::move(text);
    return VariableLookup::kFound;
  };
  if (name.substr(0, 5) == "HTTP_" && name.size() > 5) {
    for (const auto& field : head.fields)
      if (HeaderVariableName(field.first) == name) return found(field.second);
    return VariableLookup::kNoData;
  }
  if (name == "ALL_HTTP") {
    std::string all;
    for (const auto& field : head.fields) {
      all += HeaderVariableName(field.first);
      all += ':';
      all += field.second;
      all += '\n';
    }
    return found(std::move(all));
  }
  if (name == "ALL_RAW") return found(head.rawFields);
  if (name == "CONTENT_LENGTH") return found(std::to_string(facts.contentLength));
  if (name == "CONTENT_TYPE") {
    const std::string* type = head.Find("Content-Type");
    return found(type ? *type : std::string());
  }
  if (name == "PATH_INFO" || name == "SCRIPT_NAME" || name == "URL") return found(facts.urlPath);
  if (name == "PATH_TRANSLATED" || name == "SCRIPT_FILENAME") return found(facts.pathTranslated);
  if (name == "QUERY_STRING") return found(facts.query);
  if (name == "REMOTE_ADDR" || name == "REMOTE_HOST") return found(facts.remoteAddr);
  if (name == "REMOTE_PORT") return found(std::to_string(facts.remotePort));
  if (name == "REQUEST_METHOD") return found(head.method);
  if (name == "SERVER_NAME") {
    const std::string* host = head.Find("Host");
    if (!host || host->empty()) return found(facts.localAddr);
    std::string_view h = *host;
    if (h.front() == '[') return found(std::string(h.substr(0, h.find(']') + 1)));
    return found(std::string(h.substr(0, h.find(':'))));
  }
  if (name == "SERVER_PORT") return found(std::to_string(facts.serverPort));
  if (name == "SERVER_PORT_SECURE") return found("0");
  if (name == "SERVER_PROTOCOL") return found(head.minorVersion == 0 ? "HTTP/1.0" : "HTTP/1.1");
  if (name == "SERVER_SOFTWARE") return found(kServerSoftware);
  if (name == "APPL_PHYSICAL_PATH") return found(facts.applRoot);
  if (name == "LOCAL_ADDR") return found(facts.localAddr);
  if (name == "GATEWAY_INTERFACE") return found("CGI/1.1");
  if (name == "HTTPS") return found("off");
  if (name == kResponseBufferLimitVariable && facts.responseBufferLimit) {
    return found(std::to_string(facts.responseBufferLimit));
  }
  if (name == kDebugErrorsVariable && facts.debugErrors) return found("1");
  if (name == kDefaultCodePageVariable && facts.defaultCodePage) return found(std::to_string(facts.defaultCodePage));
  if (name == "AUTH_TYPE" || name == "REMOTE_USER" || name == "LOGON_USER" || name == "AUTH_USER")
    return found(std::string());
  return VariableLookup::kUnknown;
}

BOOL CopyVariable(std::string_view value, void* buffer, DWORD* size) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD needed = static_cast<DWORD>(value.size() + 1);
  if (!buffer || *size < needed) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, value.data(), value.size());
  static_cast<char*>(buffer)[value.size()] = '\0';
  *size = needed;
  return TRUE;
}
