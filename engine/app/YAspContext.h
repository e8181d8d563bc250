// YAspContext: what the page compiler and the script host ask of their host. The page
// context (one request) and the application context (global.asa) implement it.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

#include "automation/ComPtr.h"

class CScriptEngine;

class YAspContext {
 public:
  YAspContext() = default;
  YAspContext(const YAspContext&) = delete;
  YAspContext& operator=(const YAspContext&) = delete;
  virtual ~YAspContext() = default;

  // The page, session or application object of that name, or null.
  virtual IUnknown* FindObject(const char* name, bool addRef) = 0;
  virtual bool HasObject(const char* name);
  // The page code page; 0 while none is set (0 means the system ANSI code page).
  virtual int GetCodePage();
  // Whether the page or a script chose a code page (a default of the server's is no
  // choice): a page's CodePage directive applies only while none was chosen.
  virtual bool CodePageChosen();
  // Sets the page code page only while none is set: the first setting wins.
  virtual void SetCodePage(int codePage);
  // Creates or registers an <object> of the given scope ("page" when null).
  virtual bool AddObject(const char* name, const CLSID& clsid, const char* scope) = 0;
  // The object behind a named item; S_OK when one was found.
  virtual HRESULT GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown) = 0;
  // Registers the intrinsic objects and the context's objects as named items.
  virtual bool AddNamedItems(CScriptEngine* engine) = 0;
  // Writes literal text of a page without any script straight to the output.
  virtual bool WriteLiteral(const char* text);
  // Maps a normalised virtual path to a physical one.
  virtual bool MapVirtualPath(const char* url, std::string* path);
  // How an error report names a compiled file: here its name alone, never the
  // physical path a client should not learn.
  virtual std::string ReportPath(const std::string& physicalPath);
  // What MapVirtualPath depends on besides its argument (a compiled page is kept per
  // scope); contexts whose mapping never changes keep the empty default.
  virtual std::string MappingScope() { return {}; }

 protected:
  ComPtr<IUnknown> held_;  // released with the context
  int codePage_ = 0;
};
