// A stand-in scripting engine for what Wine's engines cannot do: its running script
// can be interrupted from another thread. Registered in this process over a real
// engine's class identifier, so the code under test creates it as usual.
#pragma once

#include <windows.h>
#include <activscp.h>

class FakeScriptEngineClass {
 public:
  // Registers the fake under clsid until destroyed.
  explicit FakeScriptEngineClass(const CLSID& clsid);
  ~FakeScriptEngineClass();

  // Counts across every instance made while registered.
  static LONG created;
  static LONG interruptsAll;  // InterruptScriptThread(SCRIPTTHREADID_ALL) calls
  // Set while a script "runs" (between entering CONNECTED and its end).
  static HANDLE running;

 private:
  DWORD cookie_ = 0;
  IClassFactory* factory_ = nullptr;
};
