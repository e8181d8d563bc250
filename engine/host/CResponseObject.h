// CResponseObject: the script-visible Response object of one request. Text written by
// scripts collects in one narrow buffer in the page code page and goes out when the page
// finishes or a script flushes; the head is built from the settings here (BuildHead).
// Components can write into the response through its IStream.
#pragma once

#include <cstddef>
#include <string>

#include "automation/CCmdTarget.h"
#include "automation/YNestedStream.h"

class YCookieDictionary;
class YPageContext;

// {198534DD-4630-4BDF-BDC2-498B9942E31A}
extern const IID IID_CResponseObject;

// The most a page may hold in the response buffer unless the host sets its own limit:
// past it the page fails ("response buffer limit exceeded"); Response.Flush empties the
// buffer, so a page that flushes may send any amount.
constexpr size_t kDefaultResponseBufferLimit = 4 * 1024 * 1024;

class CResponseObject : public CCmdTarget {
 public:
  explicit CResponseObject(YPageContext* context);

  size_t bufferLimit() const { return bufferLimit_; }
  void set_bufferLimit(size_t bytes) { bufferLimit_ = bytes; }
  // The buffer passed its limit: its text was dropped, writing is off and the page fails.
  bool bufferLimitExceeded() const { return bufferLimitExceeded_; }
  // The report of that failure, for a page whose script swallowed the error.
  std::string BufferLimitReport() const;

  // Request intake makes the response share the request's cookie collection.
  void SetCookies(YCookieDictionary* cookies);
  YCookieDictionary* cookies() const { return cookies_; }

  // The pending body; the page context takes it when the page finishes.
  std::string& buffer() { return buffer_; }
  const std::string& contentType() const { return contentType_; }
  const std::string& charset() const { return charset_; }
  const std::string& status() const { return status_; }  // empty: not set
  const std::string& cacheControl() const { return cacheControl_; }
  LONG codePage() const { return codePage_; }

  // Script members, in the order of the dispatch interface.
  ComPtr<IDispatch> GetCookies();
  bool GetBuffer() { return bufferFlag_; }
  void SetBuffer(bool on) { bufferFlag_ = on; }
  std::string GetCacheControl() { return cacheControl_; }
  void SetCacheControl(const char* value);
  std::string GetCharset() { return charset_; }
  void SetCharset(const char* value);
  std::string GetContentType() { return contentType_; }
  void SetContentType(const char* value);
  LONG GetExpires() { return expires_; }
  void SetExpires(LONG minutes) { expires_ = minutes; }
  std::string GetExpiresAbsolute() { return expiresAbsolute_; }
  void SetExpiresAbsolute(const char* value) { expiresAbsolute_ = value; }
  LONG GetCodePage() { return codePage_; }
  void SetCodePage(LONG codePage) { codePage_ = codePage; }
  std::string GetPics() { return pics_; }
  void SetPics(const char* value) { pics_ = value; }
  // The status line of the answer ("404 Not Found"); "200 OK" until set.
  std::string GetStatus() { return status_.empty() ? "200 OK" : status_; }
  void SetStatus(const char* value);
  bool IsClientConnected() { return true; }
  void End();
  void Flush();
  void Clear();
  void Write(const VARIANT& value);
  void Print(const VARIANT& value);
  void HtmlBlock(LONG index);
  void BinaryWrite(const VARIANT& value);
  void AddHeader(const char* name, const char* value);
  void Redirect(const VARIANT& url);
  // Compiled pages only: a run of blocks and values in one call, each written by
  // HtmlBlock's or Write's own rule, in the order of the layout (MergedWrites.h).
  void WriteRun(const char* layout, const VARIANT& v1, const VARIANT& v2, const VARIANT& v3, const VARIANT& v4,
                const VARIANT& v5, const VARIANT& v6, const VARIANT& v7);

 protected:
  ~CResponseObject() override;
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  // IStream for components: writes go straight to the client after the pending text.
  class XIResponseStream : public YNestedStream {
   public:
    using YNestedStream::YNestedStream;
    STDMETHODIMP Read(void* buffer, ULONG wanted, ULONG* read) override;
    STDMETHODIMP Write(const void* data, ULONG count, ULONG* written) override;

   private:
    CResponseObject* self() const { return static_cast<CResponseObject*>(owner()); }
  };

  // Sends the pending text when the head allows a body, and empties it either way.
  bool WritePending();
  bool WriteToClient(const void* data, size_t length);
  // Fails the page once the buffer holds more than the limit.
  void CheckBufferLimit();

  YCookieDictionary* cookies_ = nullptr;  // one reference held
  std::string buffer_;
  bool bufferFlag_ = true;
  bool writingEnabled_ = true;
  XIResponseStream stream_{this};
  std::string cacheControl_;
  std::string charset_;
  std::string contentType_;
  LONG expires_ = 0;
  std::string expiresAbsolute_;
  std::string pics_;
  std::string status_;
  YPageContext* context_;
  LONG codePage_ = 0;
  size_t bufferLimit_ = kDefaultResponseBufferLimit;
  bool bufferLimitExceeded_ = false;
};
