// ServerVariables: the values GetServerVariable answers for one request, and the size
// protocol by which they are handed to an extension. Pure functions.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "HttpRequestHead.h"

constexpr const char kServerSoftware[] = "isapi-host/1.0";
// Settings the server gives its extensions, as server variables that exist only when
// the setting was made: RESPONSE_BUFFER_LIMIT, the decimal number of bytes a page may
// buffer (--response-buffer-limit); DEBUG_ERRORS, "1" when error reports may show
// physical paths (--debug-errors).
constexpr const char kResponseBufferLimitVariable[] = "RESPONSE_BUFFER_LIMIT";
constexpr const char kDebugErrorsVariable[] = "DEBUG_ERRORS";
// The code page the extension gives pages that name none (--codepage), a server
// variable that exists only when the option was given.
constexpr const char kDefaultCodePageVariable[] = "DEFAULT_CODEPAGE";

// What the server knows about one request.
struct RequestFacts {
  const HttpRequestHead* head = nullptr;
  std::string urlPath;         // decoded, normalised (PATH_INFO, SCRIPT_NAME, URL)
  std::string query;           // QUERY_STRING
  std::string pathTranslated;  // physical path of the script
  std::string applRoot;        // APPL_PHYSICAL_PATH, trailing backslash
  std::string remoteAddr;
  unsigned remotePort = 0;
  std::string localAddr;
  unsigned serverPort = 0;
  unsigned long long contentLength = 0;
  unsigned long long responseBufferLimit = 0;  // 0: not set
  bool debugErrors = false;
  unsigned defaultCodePage = 0;  // 0: not set
};

enum class VariableLookup { kFound, kUnknown, kNoData };

// The value of a server variable, or why there is none: an HTTP_ name whose header the
// request lacks is kNoData, a name the server does not know kUnknown.
VariableLookup LookupServerVariable(const RequestFacts& facts, std::string_view name, std::string* value);

// "HTTP_" and the header name upper-cased with "-" as "_".
std::string HeaderVariableName(std::string_view headerName);

// The size protocol of GetServerVariable: with room for the value and its NUL, copies
// it and sets *size to the bytes written; otherwise sets *size to the size needed and
// the last error to ERROR_INSUFFICIENT_BUFFER. A null size is ERROR_INVALID_PARAMETER.
BOOL CopyVariable(std::string_view value, void* buffer, DWORD* size);
