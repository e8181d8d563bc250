// ExtensionCall: one call of the extension's HttpExtensionProc with a real extension
// control block, and the four callbacks the extension answers through. The block's
// ConnID is the ExtensionCall itself.
#pragma once

#include <windows.h>
#include <httpext.h>

#include <string>

#include "ServerVariables.h"

class HttpServer;
class HttpConnection;
class ResponseSink;
struct RequestBody;

class ExtensionCall {
 public:
  // Longest text HSE_APPEND_LOG_PARAMETER adds to one request's log line.
  static constexpr size_t kMaxLogText = 4096;

  ExtensionCall(HttpServer& server, HttpConnection& connection, const RequestFacts& facts, RequestBody& body,
                ResponseSink& sink, std::string& logText);
  ExtensionCall(const ExtensionCall&) = delete;
  ExtensionCall& operator=(const ExtensionCall&) = delete;

  // Calls the extension and completes the response.
  void Run();

 private:
  static ExtensionCall* From(HCONN connection);
  static BOOL WINAPI GetServerVariable(HCONN connection, LPSTR name, LPVOID buffer, LPDWORD size);
  static BOOL WINAPI WriteClient(HCONN connection, LPVOID buffer, LPDWORD bytes, DWORD flags);
  static BOOL WINAPI ReadClient(HCONN connection, LPVOID buffer, LPDWORD size);
  static BOOL WINAPI ServerSupportFunction(HCONN connection, DWORD request, LPVOID buffer, LPDWORD size,
                                           LPDWORD dataType);
  BOOL Support(DWORD request, LPVOID buffer, LPDWORD size, LPDWORD dataType);

  EXTENSION_CONTROL_BLOCK ecb_{};
  HttpServer& server_;
  HttpConnection& connection_;
  const RequestFacts& facts_;
  RequestBody& body_;
  ResponseSink& sink_;
  std::string& logText_;
  std::string method_, query_, pathInfo_, pathTranslated_, contentType_;
};
