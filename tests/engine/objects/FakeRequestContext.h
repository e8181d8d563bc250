// FakeRequestContext: the page context as the Request object sees it, for tests. It
// also provides a header-line splitter in place of the request-header parser.
#pragma once

#include <string>

#include "FakeServiceProvider.h"
#include "host/YHttpProtocolParserHook.h"
#include "objects/YRequestContext.h"

class FakeRequestContext : public YRequestContext {
 public:
  explicit FakeRequestContext(FakeServiceProvider* provider) : provider_(provider) {}

  int codePage = 0;
  std::string applicationRoot;
  int applicationRootCalls = 0;
  YCookieDictionary* responseCookies = nullptr;

  int GetCodePage() override { return codePage; }
  void SetApplicationRoot(const char* path) override {
    applicationRoot = path;
    ++applicationRootCalls;
  }
  void SetResponseCookies(YCookieDictionary* cookies) override { responseCookies = cookies; }
  int ReadClient(void* buffer, int length) override { return provider_->ReadClient(buffer, length); }

 private:
  FakeServiceProvider* provider_;
};

// Splits "NAME:value" lines (the header parser's header-only mode, without
// continuations) and hands each to the hook.
int SplitHeaderLines(char* text, int length, YHttpProtocolParserHook* hook);
