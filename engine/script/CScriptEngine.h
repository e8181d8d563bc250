// CScriptEngine: hosts one Active Scripting engine (VBScript or JScript, plain or with
// encoded source) for one page run.
//
// The page compiler hands it the program in fragments (AddCode for the page body,
// AddScriptBlock for server-side script elements); each fragment is converted from the
// page code page to UTF-16 under the line rules of the language and recorded as a
// YLineSpan, so that a program line maps back to its file and line. Start creates the
// platform's engine, RunProgram parses and runs the assembled program, and the nested
// XActiveScriptSite answers the engine: named items come from the owner, script errors
// become a short HTML report in errorText.
//
// The scripting engine belongs to the thread that started it: start, run and close an
// engine on the thread that serves its page. The engine holds a reference to the site,
// and so to this object, from Start until Close.
#pragma once

#include <windows.h>
#include <activscp.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/CCmdTarget.h"
#include "automation/ComPtr.h"
#include "script/YLineSpan.h"
#include "script/YScriptEngineOwner.h"

class CNamedItemMembers;
class CVBScriptFunctions;
class YProxyDispatch;
class YRunawayCheck;

// The named item through which an engine reaches the global members of another engine.
inline constexpr wchar_t kCrossScriptItem[] = L"OrvaneCrossScript";
// The global-members item that carries the named items for engines that cannot call a
// named item with arguments (see CNamedItemMembers).
inline constexpr wchar_t kNamedItemsItem[] = L"OrvaneNamedItems";

// Language numbers of the page compiler.
enum YScriptLanguage : int32_t {
  kLanguageVBScript = 0,
  kLanguageJScript = 1,
  kLanguageVBScriptEncoded = 3,
  kLanguageJScriptEncoded = 4,
};

class CScriptEngine : public CCmdTarget {
 public:
  // The program of the server-side script elements of one file.
  struct ScriptBlockProgram {
    std::vector<YLineSpan> spans;
    std::wstring text;
  };
  // Everything AddCode and AddScriptBlock built: kept with a compiled page and given to
  // the engine of a later run of the same page.
  struct Program {
    std::vector<YLineSpan> mainSpans;
    std::wstring mainText;
    std::map<int32_t, ScriptBlockProgram> scriptBlocks;
  };

  CScriptEngine(int32_t languageId, const CLSID& classId, YScriptEngineOwner* owner);

  Program program() const { return {mainSpans_, mainText_, scriptBlocks_}; }
  void SetProgram(const Program& program) {
    mainSpans_ = program.mainSpans;
    mainText_ = program.mainText;
    scriptBlocks_ = program.scriptBlocks;
  }

  // Appends a fragment of narrow text in the owner's code page to the main program, or
  // to the script-block program of fileIndex. lineFeeds is the number of line feeds in
  // text; the fragment occupies lineFeeds + 1 program lines.
  void AddCode(int32_t fileIndex, int32_t startLine, int32_t lineFeeds, std::string_view text);
  void AddScriptBlock(int32_t fileIndex, int32_t startLine, int32_t lineFeeds, std::string_view text);

  // Creates and initialises the scripting engine; on failure errorText says why and the
  // engine is reset.
  bool Start();
  // Parses the assembled program and runs its global code. False after a script error
  // (reported in errorText) or when the engine refused the program.
  bool RunProgram();
  // Closes and releases the scripting engine; the program text stays for the next Start.
  void Close();
  // Close, then forget the program.
  virtual void Reset();

  // Gives target the named item "OrvaneCrossScript", whose members are the global
  // members of source. Both engines must be started.
  static bool LinkCrossScript(CScriptEngine* source, CScriptEngine* target);

  // The file name and source line of program line programLine (counted from 1); the
  // line just after the program is the last line of the last fragment. False when no
  // fragment holds the line or its file index is unknown: the name is then empty and
  // the line is as far as the walk computed it.
  bool MapErrorLine(int32_t programLine, std::string* fileName, int32_t* sourceLine) const;

  // Makes an object of the owner visible to scripts under name (flags as for
  // IActiveScript::AddNamedItem). Engines that cannot call a named item with arguments
  // get it as a member of one global-members item instead.
  HRESULT AddNamedItem(LPCOLESTR name, DWORD flags);
  // The engine's script dispatch: its global variables and procedures.
  HRESULT GetScriptDispatch(IDispatch** dispatch);
  // Stops the page's scripts on the page's own request: errors reported from now on
  // are dropped. Start clears it.
  void SetAborted() { aborted_ = true; }
  bool aborted() const { return aborted_; }
  // Interrupts a script thread of the running engine (SCRIPTTHREADID_CURRENT,
  // SCRIPTTHREADID_ALL, ...) with an empty exception record.
  HRESULT InterruptScriptThread(SCRIPTTHREADID thread);
  bool IsStarted() const { return static_cast<bool>(activeScript_); }

  // The program RunProgram parses: the main text, then the script blocks in ascending
  // file index.
  std::wstring AssembleProgram() const;

  const std::string& errorText() const { return errorText_; }
  // The last reported error in one plain line, for the server log: "error '800a000b'
  // at C:\site\lib\x.inc:4" (the language's code where there is one).
  const std::string& errorSummary() const { return errorSummary_; }
  HRESULT lastError() const { return lastError_; }
  int32_t languageId() const { return languageId_; }
  const CLSID& classId() const { return classId_; }

  // The site's handlers, as answered to the scripting engine.
  virtual HRESULT GetLCID(LCID* lcid);
  virtual HRESULT GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown, ITypeInfo** typeInfo);
  virtual HRESULT GetDocVersionString(BSTR* version);
  virtual HRESULT OnScriptTerminate(const VARIANT* result, const EXCEPINFO* excepInfo);
  virtual HRESULT OnStateChange(SCRIPTSTATE state);
  virtual HRESULT OnScriptError(IActiveScriptError* error);
  virtual HRESULT OnEnterScript();
  virtual HRESULT OnLeaveScript();

 protected:
  ~CScriptEngine() override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  class XActiveScriptSite : public YNestedInterface<IActiveScriptSite> {
   public:
    using YNestedInterface::YNestedInterface;
    STDMETHODIMP GetLCID(LCID* lcid) override;
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown, ITypeInfo** typeInfo) override;
    STDMETHODIMP GetDocVersionString(BSTR* version) override;
    STDMETHODIMP OnScriptTerminate(const VARIANT* result, const EXCEPINFO* excepInfo) override;
    STDMETHODIMP OnStateChange(SCRIPTSTATE state) override;
    STDMETHODIMP OnScriptError(IActiveScriptError* error) override;
    STDMETHODIMP OnEnterScript() override;
    STDMETHODIMP OnLeaveScript() override;

   private:
    CScriptEngine* self() const { return static_cast<CScriptEngine*>(owner()); }
  };

  void AppendFragment(std::vector<YLineSpan>* spans, std::wstring* text, int32_t fileIndex, int32_t startLine,
                      int32_t lineFeeds, std::string_view fragment);
  void ReleaseCrossScriptProxy();
  // The platform's VBScript would abort the process on the statement at programLine:
  // report it as a compile error instead.
  void ReportRefusedStatement(int32_t programLine);
  // Gives the engine the host's versions of the built-ins the guard routed.
  void AddVBScriptFunctions(std::wstring prefix);
  bool StartFailed(const char* message);
  // Gives the engine the item the inserted runaway checks call, once per started engine.
  HRESULT AddRunawayCheck();
  // Appends text from the engine to the report, encoded for HTML.
  void AppendWide(BSTR text);
  // The name of a file as the report shows it (the owner decides), encoded for HTML.
  std::string ReportFileName(const std::string& physicalPath) const;

  std::string errorText_;
  std::string errorSummary_;
  bool compiling_ = false;  // inside ParseScriptText: errors reported are compile errors
  XActiveScriptSite site_{this};
  HRESULT lastError_ = S_OK;
  int32_t languageId_;
  CLSID classId_;
  YScriptEngineOwner* owner_;
  YProxyDispatch* crossScriptProxy_ = nullptr;
  bool aborted_ = false;
  std::map<int32_t, ScriptBlockProgram> scriptBlocks_;
  std::vector<YLineSpan> mainSpans_;
  ComPtr<IActiveScript> activeScript_;
  ComPtr<IActiveScriptParse> activeScriptParse_;
  std::wstring mainText_;

  // Per started engine: whether "OrvaneCrossScript" was added, whether named items
  // go to the engine as they are (decided at the first one), and the global-members
  // item that carries them otherwise.
  bool crossScriptItemAdded_ = false;
  std::optional<bool> namedItemsDirect_;
  CNamedItemMembers* namedItems_ = nullptr;
  YRunawayCheck* runawayCheck_ = nullptr;
  // The names of the named items added (kept out of the guard's hidden names), and
  // the item with the routed built-ins, once a program calls them.
  std::vector<std::wstring> itemNames_;
  CVBScriptFunctions* functions_ = nullptr;
};
