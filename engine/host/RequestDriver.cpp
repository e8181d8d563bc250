#include "host/RequestDriver.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "host/YISAPIServiceProvider.h"

namespace {

// Appends text with the HTML metacharacters escaped.
void AppendEscaped(std::string& out, const char* text) {
  for (; text && *text; ++text) {
    switch (*text) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += *text;
    }
  }
}

// Until pages are compiled and run, a request is answered with a short page that
// names the file it maps to.
bool AnswerRequest(YISAPIServiceProvider& provider) {
  std::string body = "<html><body><p>vellum: ";
  AppendEscaped(body, provider.getPathTranslated());
  body += "</p></body></html>\n";
  provider.setStatus(200, "OK");
  provider.addHeader("Content-Type", "text/html");
  bool ok = provider.getOutputStream()->write(body.data(), static_cast<uint32_t>(body.size()));
  provider.getOutputStream()->flush();
  return ok;
}

}  // namespace

DWORD DriveRequest(EXTENSION_CONTROL_BLOCK* ecb) {
  try {
    YISAPIServiceProvider provider;
    provider.setControlBlock(ecb);
    AnswerRequest(provider);
    return HSE_STATUS_SUCCESS;
  } catch (const std::bad_alloc&) {
    std::fputs("exception\n", stderr);
    return HSE_STATUS_ERROR;
  }
}
