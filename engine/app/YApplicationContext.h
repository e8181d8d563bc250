// YApplicationContext: the compiled global.asa of an application and the host its
// scripts see. Application_OnStart and OnEnd see "Application" and the application's
// objects; Session_OnStart sees everything the starting request's page sees (its page
// context answers for it); Session_OnEnd sees "Application" and the ending "Session".
//
// Each event runs the file afresh on the calling thread: its engines are started, the
// handler is called, and the engines are closed again, because an engine belongs to the
// thread that started it. All events of one application run under its mutex.
#pragma once

#include <map>
#include <string>

#include "app/YAspContext.h"
#include "compiler/CAspParser.h"
#include "objects/AsciiNoCaseLess.h"

class CApplicationObject;
class CSessionObject;
class YPageContext;

class YApplicationContext : public YAspContext {
 public:
  explicit YApplicationContext(CApplicationObject* application);
  ~YApplicationContext() override;

  // Compiles the global.asa at path (objects of application scope are created here).
  bool Compile(const std::string& path);
  // Runs the file and calls its handler of that name (skipped when there is none).
  // True when the handler was found and ran without failing.
  bool RunEvent(const wchar_t* name);
  // The request whose session is starting, while Session_OnStart runs; else null.
  void SetStartingPage(YPageContext* page) { startingPage_ = page; }
  // The session that is ending, while Session_OnEnd runs; else null.
  void SetEndingSession(CSessionObject* session) { endingSession_ = session; }
  // Creates the declared objects of session scope into a new session's StaticObjects;
  // a declaration whose object cannot be created is skipped.
  void CreateSessionObjects(CSessionObject* session);

  // YAspContext
  IUnknown* FindObject(const char* name, bool addRef) override;
  bool HasObject(const char* name) override;
  bool AddObject(const char* name, const CLSID& clsid, const char* scope) override;
  HRESULT GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown) override;
  bool AddNamedItems(CScriptEngine* engine) override;

  CAspParser& parser() { return parser_; }

 private:
  CAspParser parser_;
  CApplicationObject* application_;
  std::map<std::string, CLSID, AsciiNoCaseLess> sessionObjects_;  // declared, made per session
  YPageContext* startingPage_ = nullptr;
  CSessionObject* endingSession_ = nullptr;
};
