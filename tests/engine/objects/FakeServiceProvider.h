// FakeServiceProvider: a web server in memory for the request tests. Server variables
// follow the extension interface's size protocol; the body is split into the bytes the
// server preloaded and the rest, which ReadClient hands out in bounded chunks.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host/YServiceProvider.h"

class FakeServiceProvider : public YServiceProvider {
 public:
  // Variables the server knows, by exact name.
  std::map<std::string, std::string> variables;
  std::string queryString;
  bool hasQueryString = true;
  std::string body;
  uint32_t preloaded = 0;      // leading body bytes delivered with the request
  int readChunk = 4096;        // most bytes one ReadClient answers
  int failReadsAfter = -1;     // ReadClient calls that succeed before reads fail; -1 never
  bool declareLength = false;  // contentLength below instead of body.size()
  uint32_t contentLength = 0;

  std::vector<std::string> variableCalls;  // names asked, in order
  int readCalls = 0;
  std::vector<std::pair<std::string, std::string>> headers;  // addHeader calls

  // The host's input stream: the body after the preloaded bytes.
  int ReadClient(void* buffer, int length);
  // Lines of ALL_HTTP in the server's format ("HTTP_NAME:value\n") for the given
  // headers, stored under ALL_HTTP and under each name.
  void SetHeaders(const std::vector<std::pair<std::string, std::string>>& lines);

  YWStream* getOutputStream() override { return nullptr; }
  YStream* getInputStream() override { return nullptr; }
  unsigned getMethod() override { return 0; }
  const char* getPathTranslated() override { return ""; }
  const char* getQueryString() override { return hasQueryString ? queryString.c_str() : nullptr; }
  const char* getPathInfo() override { return ""; }
  uint32_t getContentLength() override { return declareLength ? contentLength : static_cast<uint32_t>(body.size()); }
  const char* getContentType() override { return ""; }
  const unsigned char* takePreloadedBody(uint32_t* length) override;
  HANDLE getImpersonationToken() override { return nullptr; }
  bool execUrl(const char*) override { return false; }
  BOOL appendLog(const char*) override { return TRUE; }
  const char* getHttpHeader(const char*) override { return nullptr; }
  bool getServerVariable(const char* name, char* buffer, DWORD* size) override;
  bool isHeadSent() override { return false; }
  bool reserved2(void*, void*) override { return true; }
  bool addHeader(const char* name, const char* value) override;
  bool setStatus(int, const char*) override { return true; }

 private:
  bool preloadTaken_ = false;
  size_t readPosition_ = 0;
};
