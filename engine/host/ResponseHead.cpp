#include "host/ResponseHead.h"

#include <string>

#include "app/YPageContext.h"
#include "host/CResponseObject.h"
#include "host/YServiceProvider.h"
#include "objects/YCookieDictionary.h"

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
      host->setStatus(200, "OK");
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
