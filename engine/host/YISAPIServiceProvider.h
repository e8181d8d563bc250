// YISAPIServiceProvider: YServiceProvider over one request's ISAPI extension control
// block. The provider is also the request's stream: reads come from ReadClient, writes
// go to WriteClient, and the collected response head goes out with the first raw write
// or flush, at most once.
#pragma once

#include <windows.h>
#include <httpext.h>

#include <cstdint>

#include "host/YServiceProvider.h"
#include "host/YStream.h"
#include "host/YStringBuf.h"

class YISAPIServiceProvider : public YServiceProvider, public YStream {
 public:
  // Size of the buffer that receives a request header's value (NUL included).
  static constexpr DWORD kHeaderValueBufferSize = 512;
  static constexpr uint32_t kHeadBufferCapacity = 256;
  // Index of the last entry of the method table.
  static constexpr unsigned kMethodCount = 29;

  YISAPIServiceProvider();
  ~YISAPIServiceProvider() override;

  void setControlBlock(EXTENSION_CONTROL_BLOCK* ecb) { ecb_ = ecb; }

  // YServiceProvider, in its order.
  YWStream* getOutputStream() override;
  YStream* getInputStream() override;
  unsigned getMethod() override;
  const char* getPathTranslated() override;
  const char* getQueryString() override;
  const char* getPathInfo() override;
  uint32_t getContentLength() override;
  const char* getContentType() override;
  const unsigned char* takePreloadedBody(uint32_t* length) override;
  HANDLE getImpersonationToken() override;
  bool execUrl(const char* url) override;
  BOOL appendLog(const char* text) override;
  const char* getHttpHeader(const char* name) override;
  bool getServerVariable(const char* name, char* buffer, DWORD* size) override;
  bool isHeadSent() override;
  bool reserved2(void*, void*) override;
  bool addHeader(const char* name, const char* value) override;
  bool setStatus(int code, const char* text) override;

  // The stream sides.
  int read(void* buffer, uint32_t length) override;
  int writeRaw(const void* buffer, uint32_t length) override;
  bool flush() override;

  // The method table: entry 0 is "UNSET" and never matched.
  static const char* methodName(unsigned number);

 private:
  void sendHead();

  char headerValue_[kHeaderValueBufferSize];
  uint8_t method_ = 0;
  bool headSent_ = false;
  EXTENSION_CONTROL_BLOCK* ecb_ = nullptr;
  YStringBuf headerLines_{kHeadBufferCapacity};
  YStringBuf statusLine_{kHeadBufferCapacity};
};
