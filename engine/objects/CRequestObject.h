// CRequestObject: the script-visible Request object of one page run. It owns the
// request's collections (QueryString, Form, ServerVariables, Cookies), gives access to
// the raw body (TotalBytes, BinaryRead, and an IStream for components), and answers the
// default lookup Request(name) across its collections.
//
// The page context creates it, attaches itself (SetPageContext), fills it once at
// request intake (Intake) and calls EndRequest when the page run ends.
#pragma once

#include <string>

#include "automation/CCmdTarget.h"
#include "automation/YNestedStream.h"
#include "host/YHttpProtocolParserHook.h"
#include "objects/YRequestBody.h"

class YCookieDictionary;
class YDictionary;
class YRequestContext;
class YServerVariablesDictionary;
class YServiceProvider;

// {8651C3A1-145D-424B-891E-51A5836FA1B4}
extern const IID IID_CRequestObject;

class CRequestObject : public CCmdTarget, public YHttpProtocolParserHook {
 public:
  // Each fixed server variable is read into a buffer of this size first; a longer value
  // is fetched whole in a second call.
  static constexpr DWORD kServerVariableBuffer = 1023;
  // A server variable longer than this is left out.
  static constexpr DWORD kMaxServerVariableBytes = 1 << 20;

  CRequestObject();

  // The page context this request belongs to (its code page, application root,
  // response cookies and body reads); null detaches it.
  void SetPageContext(YRequestContext* context);

  // Request intake, once per request: the ALL_HTTP headers through parseHeaders with
  // this object as the hook (the Cookie header fills Cookies), the fixed server
  // variables, the query string; Response.Cookies becomes Cookies, unchanged. False
  // when memory ran out (the collections then hold what was read so far).
  bool Intake(YServiceProvider* host, YHeaderLinesParser parseHeaders);

  // The page run has ended: the collections are emptied and cut from the context, and
  // the body is no longer read. Collections that scripts kept stay valid and empty.
  void EndRequest();

  // The value of the request cookie named exactly "SESSIONID", empty when none came.
  const std::string& SessionId() const { return sessionId_; }
  YCookieDictionary* CookieCollection() const { return cookies_; }
  YDictionary* QueryStringCollection() const { return queryString_; }
  YDictionary* FormCollection() const { return form_; }
  YServerVariablesDictionary* ServerVariablesCollection() const { return serverVariables_; }
  YRequestBody& Body() { return body_; }

  // Loads the form from the body, at most once per request (form requests only).
  void LoadForm();

  // YHttpProtocolParserHook: one header line of ALL_HTTP.
  int onHeader(const char* name, char* value, int* valueLength, bool isFirstLine) override;

  // Script members, in the order of the dispatch interface.
  LONG TotalBytes();
  ComPtr<IDispatch> QueryString();
  ComPtr<IDispatch> Form();
  ScopedVariant BinaryRead(LONG count);
  ComPtr<IDispatch> ClientCertificate();
  ComPtr<IDispatch> ServerVariables();
  ComPtr<IDispatch> Cookies();
  ScopedVariant Item(const VARIANT& key);

 protected:
  ~CRequestObject() override;
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  // IStream over the request body; reads share the body with BinaryRead.
  class XIRequestStream : public YNestedStream {
   public:
    using YNestedStream::YNestedStream;
    STDMETHODIMP Read(void* buffer, ULONG wanted, ULONG* read) override;
    STDMETHODIMP Write(const void* buffer, ULONG length, ULONG* written) override;

   private:
    CRequestObject* self() const { return static_cast<CRequestObject*>(owner()); }
  };

  void ReadFixedServerVariables();

  YCookieDictionary* cookies_;
  std::string sessionId_;
  YRequestContext* pageContext_ = nullptr;
  YDictionary* queryString_;
  YDictionary* form_;
  YServerVariablesDictionary* serverVariables_;
  YServiceProvider* host_ = nullptr;
  YRequestBody body_;
  XIRequestStream stream_{this};
};
