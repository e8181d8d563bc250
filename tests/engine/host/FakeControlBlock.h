// FakeControlBlock: an extension control block whose callbacks are answered by a
// scripted fake server that records every call.
#pragma once

#include <windows.h>
#include <httpext.h>

#include <map>
#include <string>
#include <vector>

struct SupportCall {
  DWORD request = 0;
  std::string buffer;    // the buffer as text (status line, log text), when the call passes one
  std::string dataType;  // the data-type argument as text (header lines), when passed
  bool sizeGiven = false;
  HSE_EXEC_URL_INFO execUrl{};  // HSE_REQ_EXEC_URL
  std::string execUrlText, execMethodText;
};

class FakeControlBlock {
 public:
  FakeControlBlock();
  FakeControlBlock(const FakeControlBlock&) = delete;
  FakeControlBlock& operator=(const FakeControlBlock&) = delete;

  EXTENSION_CONTROL_BLOCK ecb{};

  // Server variables by name; a name not listed answers ERROR_INVALID_INDEX.
  std::map<std::string, std::string> variables;
  std::vector<std::string> variableRequests;
  std::vector<DWORD> variableSizes;  // the sizes the callers offered

  // ReadClient hands out this text; failRead makes it answer FALSE.
  std::string toRead;
  size_t readPosition = 0;
  bool failRead = false;

  // WriteClient appends here, at most writeLimit bytes a call; failWrite answers FALSE.
  std::string written;
  DWORD writeLimit = 0xFFFFFFFF;
  bool failWrite = false;
  int writeCalls = 0;
  // The bytes written before the first response head was handed over.
  size_t writtenBeforeHead = std::string::npos;

  std::vector<SupportCall> supportCalls;
  BOOL supportAnswer = TRUE;
  HANDLE token = reinterpret_cast<HANDLE>(0x1234);

  std::string method = "GET", query, pathInfo = "/page.asp", pathTranslated = "C:\\site\\page.asp", contentType;
  std::string preloaded;

 private:
  static FakeControlBlock* From(HCONN connection) { return static_cast<FakeControlBlock*>(connection); }
  static BOOL WINAPI GetServerVariable(HCONN, LPSTR, LPVOID, LPDWORD);
  static BOOL WINAPI WriteClient(HCONN, LPVOID, LPDWORD, DWORD);
  static BOOL WINAPI ReadClient(HCONN, LPVOID, LPDWORD);
  static BOOL WINAPI ServerSupportFunction(HCONN, DWORD, LPVOID, LPDWORD, LPDWORD);
};
