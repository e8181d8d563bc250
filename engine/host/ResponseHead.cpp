#include "host/ResponseHead.h"

#include <string>

#include "app/YPageContext.h"
#include "host/CResponseObject.h"
#include "host/YServiceProvider.h"
#include "objects/YCookieDictionary.h"

bool ParseStatusLine(std::string_view text, int* code, std::string* reason) {
  if (text.size() < 5 || text[3] != ' ') return false;
  int number = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    number = number * 10 + (text[i] - '0');
  }
  if (number < 100) return false;
  for (char c : text.substr(4)) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  *code = number;
  *reason = std::string(text.substr(4));
  return true;
}

bool BuildHead(YPageContext& context) {
  if (context.headSent()) return true;
  context.set_headSent(true);
  YServiceProvider* host = context.provider();
  CResponseObject* response = context.response();
  if (!host) return true;
  if (!context.targetUrl().empty() && !context.transferPending()) {
    host->setStatus(302, "MOVED");
    host->addHeader("Location", context.targetUrl().c_str());
    context.set_sendBody(false);
  } else {
    if (context.pageFailed()) {
      host->setStatus(500, "Internal Server Error");
    } else {
      int code = 200;
      std::string reason = "OK";
      ParseStatusLine(response->status(), &code, &reason);  // stored only when it parsed
      host->setStatus(code, reason.c_str());
    }
    std::string type = response->contentType().empty() ? "text/html" : response->contentType();
    if (!response->charset().empty()) type += "; charset=" + response->charset();
    host->addHeader("Content-Type", type.c_str());
    if (!response->cacheControl().empty()) host->addHeader("Cache-Control", response->cacheControl().c_str());
    context.set_sendBody(true);
  }
  if (YCookieDictionary* cookies = response->cookies()) cookies->WriteSetCookieHeaders(host);
  return true;
}
