// YScriptEngineOwner: what a CScriptEngine needs from the page compiler that created
// it. The compiler answers the file-name table of the page it compiled, the code page
// its context reports, and the objects behind the named items it asked for.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <cstdint>
#include <string>

struct YPageStop;

class YScriptEngineOwner {
 public:
  virtual ~YScriptEngineOwner() = default;

  // The physical path of compiled file index, or null when the index lies outside
  // the table.
  virtual const char* GetFileName(int32_t fileIndex) const = 0;
  // The page's code page; 0 means the system's ANSI code page.
  virtual UINT GetCodePage() = 0;
  // The object for a named item of an engine of the given language number. Sets both
  // outputs to empty where given before answering.
  virtual HRESULT GetItemInfo(int32_t languageId, LPCOLESTR name, DWORD mask, IUnknown** unknown,
                              ITypeInfo** typeInfo) = 0;
  // How an error report names the file of a physical path.
  virtual std::string ReportPath(const std::string& physicalPath) { return physicalPath; }
  // What the runaway checks of the owner's running page look at; null: none.
  virtual const YPageStop* GetPageStop() const { return nullptr; }
};
