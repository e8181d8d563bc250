// TestScriptHost: runs script text in the platform's real VBScript or JScript engine
// with named items of the test's choosing, and records every script error reported.
// A minimal Active Scripting host for tests of script-visible objects.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <activscp.h>

#include <map>
#include <string>
#include <vector>

#include "automation/ComPtr.h"

enum class ScriptLanguage { kVBScript, kJScript };

extern const CLSID kVBScriptClsid;
extern const CLSID kJScriptClsid;

struct ScriptErrorRecord {
  HRESULT scode = S_OK;
  std::wstring source;
  std::wstring description;
  ULONG line = 0;  // 0-based, as the engine reports it
};

class TestScriptHost {
 public:
  explicit TestScriptHost(ScriptLanguage language);
  ~TestScriptHost();
  TestScriptHost(const TestScriptHost&) = delete;
  TestScriptHost& operator=(const TestScriptHost&) = delete;

  // The engine could be created and connected.
  bool ok() const { return static_cast<bool>(engine_); }

  // Makes object visible to scripts under name; global members also expose its
  // members as globals.
  HRESULT AddItem(const std::wstring& name, IUnknown* object, bool globalMembers = false);

  // Runs statements; the answer is the engine's (0x80020101 after a reported error).
  HRESULT Run(const std::wstring& code);
  // Evaluates an expression into result.
  HRESULT Eval(const std::wstring& expression, VARIANT* result);
  // Evaluates an expression expected to give text; "<error>" when it fails.
  std::wstring EvalText(const std::wstring& expression);

  const std::vector<ScriptErrorRecord>& errors() const;
  void ClearErrors();

 private:
  class Site;
  ComPtr<IActiveScript> engine_;
  ComPtr<IActiveScriptParse> parse_;
  Site* site_ = nullptr;
};
