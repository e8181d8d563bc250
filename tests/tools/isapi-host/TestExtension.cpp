// test_extension.dll: an ISAPI extension for the host's tests. The query string picks
// what it does; each answer reports what the server's callbacks said.
#include <windows.h>
#include <httpext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string QueryValue(const std::string& query, const std::string& name) {
  size_t pos = 0;
  while (pos <= query.size()) {
    size_t amp = query.find('&', pos);
    std::string pair = query.substr(pos, amp == std::string::npos ? std::string::npos : amp - pos);
    size_t eq = pair.find('=');
    if (pair.substr(0, eq) == name) return eq == std::string::npos ? std::string() : pair.substr(eq + 1);
    if (amp == std::string::npos) break;
    pos = amp + 1;
  }
  return "\x01";  // absent
}

bool Has(const std::string& query, const std::string& name) { return QueryValue(query, name) != "\x01"; }

bool SendHead(EXTENSION_CONTROL_BLOCK* ecb, const char* status, const char* headers) {
  return ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_SEND_RESPONSE_HEADER, const_cast<char*>(status), nullptr,
                                    reinterpret_cast<DWORD*>(const_cast<char*>(headers)));
}

bool Write(EXTENSION_CONTROL_BLOCK* ecb, const std::string& text) {
  DWORD size = static_cast<DWORD>(text.size());
  return ecb->WriteClient(ecb->ConnID, const_cast<char*>(text.data()), &size, HSE_IO_SYNC);
}

void Answer(EXTENSION_CONTROL_BLOCK* ecb, const std::string& text) {
  SendHead(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
  Write(ecb, text);
}

uint32_t Fnv(uint32_t hash, const unsigned char* data, size_t length) {
  for (size_t i = 0; i < length; ++i) hash = (hash ^ data[i]) * 16777619u;
  return hash;
}

}  // namespace

extern "C" BOOL WINAPI GetExtensionVersion(HSE_VERSION_INFO* info) {
  info->dwExtensionVersion = HSE_VERSION;
  std::strcpy(info->lpszExtensionDesc, "isapi-host test extension");
  return TRUE;
}

extern "C" DWORD WINAPI HttpExtensionProc(EXTENSION_CONTROL_BLOCK* ecb) {
  std::string query = ecb->lpszQueryString ? ecb->lpszQueryString : "";
  char text[512];

  if (Has(query, "var")) {
    // The size protocol: ask with no room, then with exactly the size named.
    std::string name = QueryValue(query, "var");
    DWORD size = 0;
    BOOL first = ecb->GetServerVariable(ecb->ConnID, name.data(), nullptr, &size);
    DWORD error = GetLastError();
    if (first || error != ERROR_INSUFFICIENT_BUFFER) {
      std::snprintf(text, sizeof text, "err:%lu", first ? 0ul : static_cast<unsigned long>(error));
      Answer(ecb, text);
      return HSE_STATUS_SUCCESS;
    }
    std::vector<char> value(size);
    DWORD small = size - 1;
    BOOL tooSmall = ecb->GetServerVariable(ecb->ConnID, name.data(), value.data(), &small);
    DWORD smallError = GetLastError();
    DWORD exact = size;
    BOOL ok = ecb->GetServerVariable(ecb->ConnID, name.data(), value.data(), &exact);
    std::snprintf(text, sizeof text, "ok:%lu:%d:%lu:%lu:%d:%lu:", static_cast<unsigned long>(size), tooSmall,
                  static_cast<unsigned long>(smallError), static_cast<unsigned long>(small), ok,
                  static_cast<unsigned long>(exact));
    Answer(ecb, text + std::string(value.data(), exact ? exact - 1 : 0));
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "ecb")) {
    std::snprintf(text, sizeof text, "%lu|%lu|%s|%s|%s|%s|%lu|%lu|%s", static_cast<unsigned long>(ecb->cbSize),
                  static_cast<unsigned long>(ecb->dwVersion), ecb->lpszMethod, ecb->lpszQueryString, ecb->lpszPathInfo,
                  ecb->lpszPathTranslated, static_cast<unsigned long>(ecb->cbTotalBytes),
                  static_cast<unsigned long>(ecb->cbAvailable), ecb->lpszContentType);
    Answer(ecb, text);
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "echo")) {
    uint32_t hash = Fnv(2166136261u, ecb->lpbData, ecb->cbAvailable);
    unsigned long read = 0;
    char buffer[10000];
    for (;;) {
      DWORD size = sizeof buffer;
      if (!ecb->ReadClient(ecb->ConnID, buffer, &size)) {
        Answer(ecb, "read failed");
        return HSE_STATUS_SUCCESS;
      }
      if (size == 0) break;
      hash = Fnv(hash, reinterpret_cast<unsigned char*>(buffer), size);
      read += size;
    }
    std::snprintf(text, sizeof text, "total=%lu available=%lu read=%lu hash=%08x",
                  static_cast<unsigned long>(ecb->cbTotalBytes), static_cast<unsigned long>(ecb->cbAvailable), read,
                  hash);
    Answer(ecb, text);
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "chunks")) {
    // Several writes and no Content-Length.
    int count = std::atoi(QueryValue(query, "chunks").c_str());
    int size = std::atoi(QueryValue(query, "size").c_str());
    SendHead(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
    for (int i = 0; i < count; ++i)
      if (!Write(ecb, std::string(static_cast<size_t>(size), static_cast<char>('a' + i % 26)))) break;
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "crash")) {
    // A fault in the extension, after "crash=N" bytes of a response (0: before any).
    int bytes = std::atoi(QueryValue(query, "crash").c_str());
    if (bytes > 0) {
      SendHead(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
      Write(ecb, std::string(static_cast<size_t>(bytes), 'c'));
    }
    *static_cast<volatile int*>(nullptr) = 1;
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "sleep")) {
    // A call that does not come back for "sleep=MS".
    Sleep(static_cast<DWORD>(std::atoi(QueryValue(query, "sleep").c_str())));
    Answer(ecb, "slept");
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "pid")) {
    Answer(ecb, std::to_string(GetCurrentProcessId()));
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "nohead")) {
    Write(ecb, "written without a head");
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "nothing")) return HSE_STATUS_SUCCESS;
  if (Has(query, "error")) return HSE_STATUS_ERROR;
  if (Has(query, "log")) {
    std::string note = QueryValue(query, "log");
    DWORD size = static_cast<DWORD>(note.size());
    BOOL ok = ecb->ServerSupportFunction(ecb->ConnID, HSE_APPEND_LOG_PARAMETER, note.data(), &size, nullptr);
    Answer(ecb, ok ? "logged" : "not logged");
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "support")) {
    std::string out;
    HANDLE token = nullptr;
    BOOL ok = ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_GET_IMPERSONATION_TOKEN, &token, nullptr, nullptr);
    out += "token:" + std::to_string(ok) + ":" + std::to_string(token != nullptr);
    HSE_EXEC_URL_INFO exec{};
    exec.pszUrl = const_cast<char*>("/other.asp");
    exec.pszMethod = const_cast<char*>("GET");
    ok = ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_EXEC_URL, &exec, nullptr, nullptr);
    out += " exec:" + std::to_string(ok) + ":" + std::to_string(ok ? 0 : GetLastError());
    ok = ecb->ServerSupportFunction(ecb->ConnID, 9999, nullptr, nullptr, nullptr);
    out += " unknown:" + std::to_string(ok) + ":" + std::to_string(ok ? 0 : GetLastError());
    Answer(ecb, out);
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "stream")) {
    // A long response to a client that may go away: stops at the first failed write.
    int writes = 0;
    SendHead(ecb, "200 OK", "Content-Type: application/octet-stream\r\n\r\n");
    std::string block(65536, 'z');
    while (writes < 2000 && Write(ecb, block)) ++writes;
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "twice")) {
    // A second head, and a head after the body began, are refused.
    BOOL first = SendHead(ecb, "200 OK", "Content-Type: text/plain\r\n\r\n");
    BOOL second = SendHead(ecb, "500 Again", "X-Again: 1\r\n\r\n");
    DWORD error = GetLastError();
    Write(ecb, "first=" + std::to_string(first) + " second=" + std::to_string(second) + ":" + std::to_string(error));
    return HSE_STATUS_SUCCESS;
  }
  if (Has(query, "status")) {
    SendHead(ecb, "404 Not Here", "Content-Type: text/plain\r\nX-Test: yes\r\n\r\n");
    Write(ecb, "missing");
    return HSE_STATUS_SUCCESS;
  }
  // The trivial answer: a fixed text with its length.
  SendHead(ecb, "200 OK", "Content-Type: text/plain\r\nContent-Length: 5\r\n\r\n");
  Write(ecb, "hello");
  return HSE_STATUS_SUCCESS;
}
