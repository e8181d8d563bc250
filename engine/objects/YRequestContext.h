// YRequestContext: what the Request object needs from the page context that owns it.
// The page context implements it next to its own operations; tests use a small fake.
#pragma once

#include "objects/YCodePageSource.h"

class YCookieDictionary;

class YRequestContext : public YCodePageSource {
 public:
  // APPL_PHYSICAL_PATH as the server reported it, at request intake.
  virtual void SetApplicationRoot(const char* path) = 0;
  // The Response object's cookie collection becomes this one (a plain pointer; the
  // Request object keeps the reference).
  virtual void SetResponseCookies(YCookieDictionary* cookies) = 0;
  // Reads request body bytes that the server did not preload, from the host's input
  // stream: the number of bytes read, below 1 on failure.
  virtual int ReadClient(void* buffer, int length) = 0;

 protected:
  ~YRequestContext() = default;
};
