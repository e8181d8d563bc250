// A test-double Active Scripting engine, registered for the test process under its own
// class identifier. It stands in where Wine's engines cannot show a behaviour:
//  - it calls a named item's default member with arguments (Wine's engines cannot);
//  - it reports errors whose exception record has status code 0 and a 16-bit code;
//  - it fails any one start-up step on request.
//
//  - its running script can be interrupted, from any thread, when asked to be.
//
// Its language, one statement per line:
//   x = NAME(N)              calls the default member of named item NAME with N
//   raise CODE LINE COLUMN   reports an error with status code 0 and error code CODE at
//                            0-based LINE (plus the starting line) and COLUMN
//   loop                     runs until the script is interrupted (10 s at most), then
//                            reports the interruption as an error with code 1
// Other lines are ignored. Text runs when the engine is connected.
#pragma once

#include <windows.h>
#include <activscp.h>

#include <string>
#include <utility>
#include <vector>

extern const CLSID kDoubleEngineClsid;

struct DoubleEngineLog {
  enum class Failure { kNone, kNoParse, kSetSite, kInitNew };
  Failure failure = Failure::kNone;
  std::vector<std::pair<std::wstring, DWORD>> namedItems;  // every AddNamedItem call
  std::vector<std::wstring> parsedTexts;
  int closes = 0;
  // InterruptScriptThread answers E_NOTIMPL, as Wine's engines do, unless this is set.
  bool interruptible = false;
  std::vector<SCRIPTTHREADID> interrupts;  // every accepted InterruptScriptThread
};

// What the double engines of the process did since the last Reset.
DoubleEngineLog& DoubleLog();
void ResetDoubleLog();
// Registers the double's class factory for the process (once).
void RegisterDoubleEngine();
// Set while a "loop" statement runs.
HANDLE DoubleEngineLooping();

// The double standing in for another engine class (one Wine lacks) while it lives.
class DoubleEngineRegistration {
 public:
  explicit DoubleEngineRegistration(const CLSID& clsid);
  ~DoubleEngineRegistration();
  DoubleEngineRegistration(const DoubleEngineRegistration&) = delete;
  DoubleEngineRegistration& operator=(const DoubleEngineRegistration&) = delete;

 private:
  CLSID clsid_;
  DWORD cookie_ = 0;
};
