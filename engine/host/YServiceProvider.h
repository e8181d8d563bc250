// YServiceProvider: the only way from the engine to the web server. The page context,
// the intrinsic objects and the collections see this interface and the streams it
// hands out; YISAPIServiceProvider implements it over one request's extension control
// block. The operations keep this order.
#pragma once

#include <windows.h>

#include <cstdint>

class YWStream;
class YStream;

class YServiceProvider {
 public:
  virtual ~YServiceProvider() = default;

  virtual YWStream* getOutputStream() = 0;
  virtual YStream* getInputStream() = 0;
  // The request method's number in the method table (2 GET, 3 HEAD, 4 POST, ...), 0 when unlisted.
  virtual unsigned getMethod() = 0;
  virtual const char* getPathTranslated() = 0;
  virtual const char* getQueryString() = 0;
  virtual const char* getPathInfo() = 0;
  virtual uint32_t getContentLength() = 0;
  virtual const char* getContentType() = 0;
  // The body bytes the server read ahead; a second call yields length 0.
  virtual const unsigned char* takePreloadedBody(uint32_t* length) = 0;
  virtual HANDLE getImpersonationToken() = 0;
  virtual bool execUrl(const char* url) = 0;
  virtual BOOL appendLog(const char* text) = 0;
  // The value of request header name (e.g. "user-agent"), or null.
  virtual const char* getHttpHeader(const char* name) = 0;
  // size: in, the buffer's size; out, the size needed or written (as the server says).
  virtual bool getServerVariable(const char* name, char* buffer, DWORD* size) = 0;
  virtual void reserved1(void*) {}
  virtual bool isHeadSent() = 0;
  virtual bool reserved2(void*, void*) = 0;
  virtual bool addHeader(const char* name, const char* value) = 0;
  virtual bool setStatus(int code, const char* text) = 0;
};
