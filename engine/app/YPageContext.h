// YPageContext: the world of one request while its page runs. It owns the request's
// intrinsic objects, takes the request in from the host, compiles and runs the page
// (following Server.Transfer), answers the script host's questions about names and
// objects, and finishes the response.
//
// Built on the stack of the request's thread by the driver; used by that thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/YAspContext.h"
#include "automation/ComPtr.h"
#include "objects/YRequestContext.h"

class CApplicationObject;
class CAspParser;
class CRequestObject;
class CResponseObject;
class CServerObject;
class CSessionObject;
class YServiceProvider;

class YPageContext : public YAspContext, public YRequestContext {
 public:
  // A page may run this long before the time-out sweep interrupts it.
  static constexpr int kPageTimeoutSeconds = 90;
  // One request runs at most this many pages (the first and its transfers).
  static constexpr int kMaxPageRuns = 20;
  // Server.Execute nests at most this deep: a page that executes itself stops there.
  static constexpr int kMaxExecuteDepth = 16;

  YPageContext();
  ~YPageContext() override;  // out of line: CAspParser is complete there

  // Request intake, once: the Request object reads the request from the host, the
  // Server object learns the application root and the page's URL directory, and the
  // host's default code page (server variable DEFAULT_CODEPAGE) is read.
  void attach(YServiceProvider* provider);
  // Compiles and runs the page at path (reached by url), then every page it transfers
  // to. While it runs, script text converts in the page's code page (GetCodePage).
  // 1 when the last page ran to its end (or stopped itself), 0 when it failed.
  int runPage(const char* url, const char* path);
  // Runs the page at url in place of the running one, into the same response; its
  // error text is appended to the response when it fails. Server.Execute.
  int executePage(const char* url);
  // Sends the head and the buffered body; a failed page adds its error text to the
  // body and to the server log. False when writing to the client failed.
  bool finish(int result);

  // YAspContext
  IUnknown* FindObject(const char* name, bool addRef) override;
  // The page's directive, else Response.CodePage, else Session.CodePage, else the
  // host's default; 0: the system ANSI code page.
  int GetCodePage() override;
  bool CodePageChosen() override;
  bool AddObject(const char* name, const CLSID& clsid, const char* scope) override;
  HRESULT GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown) override;
  bool AddNamedItems(CScriptEngine* engine) override;
  bool WriteLiteral(const char* text) override;
  bool MapVirtualPath(const char* url, std::string* path) override;
  // Relative to the application root ("/dir/page.asp"); the physical path only when
  // the host allows it (its DEBUG_ERRORS server variable).
  std::string ReportPath(const std::string& physicalPath) override;
  std::string MappingScope() override;

  // YRequestContext
  void SetApplicationRoot(const char* path) override;
  void SetResponseCookies(YCookieDictionary* cookies) override;
  int ReadClient(void* buffer, int length) override;

  // The request's application and session; the context takes over the reference the
  // caller passes and drops it when the request ends.
  void SetApplication(CApplicationObject* application) { application_ = application; }
  void SetSession(CSessionObject* session) { session_ = session; }
  CApplicationObject* application() const { return application_; }
  CSessionObject* session() const { return session_; }

  YServiceProvider* provider() const { return provider_; }
  CResponseObject* response() const { return response_; }
  CRequestObject* request() const { return request_; }
  CServerObject* server() const { return server_; }
  CAspParser* currentPage() const { return currentPage_.get(); }
  const std::string& applicationRoot() const { return applicationRoot_; }

  // The response head is built once (BuildHead).
  bool headSent() const { return headSent_; }
  void set_headSent(bool sent) { headSent_ = sent; }
  bool sendBody() const { return sendBody_; }
  void set_sendBody(bool send) { sendBody_ = send; }
  // Response.Redirect and Server.Transfer.
  void SetRedirect(std::string url);
  void SetTransfer(std::string url);
  const std::string& targetUrl() const { return targetUrl_; }
  bool transferPending() const { return transferPending_; }
  // The moment the running page is interrupted; moves the running page's copy too.
  int64_t deadline() const { return deadline_; }
  void SetDeadline(int64_t deadline);

  // The error text of the current page: its compile message, else its failed engine's.
  std::string PageErrorText() const;
  // A failed page answers 500 when its head has not gone out yet.
  bool pageFailed() const { return pageFailed_; }

 private:
  struct PageObject {
    std::string name;
    ComPtr<IUnknown> object;
  };

  YServiceProvider* provider_ = nullptr;
  std::string applicationRoot_;
  CResponseObject* response_ = nullptr;
  CRequestObject* request_ = nullptr;
  CServerObject* server_ = nullptr;
  CSessionObject* session_ = nullptr;
  CApplicationObject* application_ = nullptr;
  std::unique_ptr<CAspParser> currentPage_;
  std::vector<PageObject> pageObjects_;  // objects of page scope from <object> elements
  bool headSent_ = false;
  bool transferPending_ = false;
  std::string targetUrl_;
  bool sendBody_ = false;
  int64_t deadline_ = 0;
  int hostCodePage_ = 0;  // the host's default for pages that set none; 0: the system's
  bool debugErrors_ = false;
  bool pageFailed_ = false;
  int executeDepth_ = 0;
};
