// A test-double Active Scripting engine, registered for the test process under its own
// class identifier. It stands in where Wine's engines cannot show a behaviour:
//  - it calls a named item's default member with arguments (Wine's engines cannot);
//  - it reports errors whose exception record has status code 0 and a 16-bit code;
//  - it fails any one start-up step on request.
//
// Its language, one statement per line:
//   x = NAME(N)              calls the default member of named item NAME with N
//   raise CODE LINE COLUMN   reports an error with status code 0 and error code CODE at
//                            0-based LINE (plus the starting line) and COLUMN
// Other lines are ignored. Text runs when the engine is connected.
#pragma once

#include <windows.h>

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
};

// What the double engines of the process did since the last Reset.
DoubleEngineLog& DoubleLog();
void ResetDoubleLog();
// Registers the double's class factory for the process (once).
void RegisterDoubleEngine();
