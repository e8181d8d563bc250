#include "script/CScriptEngine.h"

#include <cstdio>
#include <utility>

#include "automation/ScopedBstr.h"
#include "automation/TextConversion.h"
#include "automation/YClassFactoryCache.h"
#include "host/RequestProfile.h"
#include "script/CNamedItemMembers.h"
#include "script/CNamedItemProbe.h"
#include "script/CServerObject.h"
#include "script/CVBScriptFunctions.h"
#include "script/LoopCheckInsertion.h"
#include "script/ScriptErrorText.h"
#include "script/ScriptLineRules.h"
#include "script/VBScriptGuard.h"
#include "script/YProxyDispatch.h"
#include "script/YRunawayCheck.h"

namespace {

bool IsCaseSensitive(int32_t languageId) {
  return languageId == kLanguageJScript || languageId == kLanguageJScriptEncoded;
}

bool SameNameIgnoringCase(LPCOLESTR a, LPCOLESTR b) {
  return a && CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL;
}

void FreeExcepInfo(EXCEPINFO* info) {
  SysFreeString(info->bstrSource);
  SysFreeString(info->bstrDescription);
  SysFreeString(info->bstrHelpFile);
  *info = EXCEPINFO{};
}

}  // namespace

CScriptEngine::CScriptEngine(int32_t languageId, const CLSID& classId, YScriptEngineOwner* owner)
    : languageId_(languageId), classId_(classId), owner_(owner) {}

CScriptEngine::~CScriptEngine() { Reset(); }

std::span<const YInterfaceEntry> CScriptEngine::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {
      {&IID_IActiveScriptSite, NestedInterfaceOf<&CScriptEngine::site_>},
  };
  return kEntries;
}

// ---------------------------------------------------------------------------------
// The program text.

void CScriptEngine::AddCode(int32_t fileIndex, int32_t startLine, int32_t lineFeeds, std::string_view text) {
  AppendFragment(&mainSpans_, &mainText_, fileIndex, startLine, lineFeeds, text);
}

void CScriptEngine::AddScriptBlock(int32_t fileIndex, int32_t startLine, int32_t lineFeeds, std::string_view text) {
  ScriptBlockProgram& block = scriptBlocks_[fileIndex];
  AppendFragment(&block.spans, &block.text, fileIndex, startLine, lineFeeds, text);
}

void CScriptEngine::AppendFragment(std::vector<YLineSpan>* spans, std::wstring* text, int32_t fileIndex,
                                   int32_t startLine, int32_t lineFeeds, std::string_view fragment) {
  spans->push_back(YLineSpan{fileIndex, startLine, lineFeeds + 1});
  const UINT codePage = owner_ ? owner_->GetCodePage() : CP_ACP;
  if (languageId_ == kLanguageVBScript) {
    text->append(NarrowToWide(ApplyVBScriptLineRules(fragment), codePage));
  } else {
    text->append(NarrowToWide(fragment, codePage));
  }
  text->append(L"\r\n");
}

std::wstring CScriptEngine::AssembleProgram() const {
  size_t size = mainText_.size();
  for (const auto& [index, block] : scriptBlocks_) size += block.text.size();
  std::wstring program;
  program.reserve(size);
  program.append(mainText_);
  for (const auto& [index, block] : scriptBlocks_) program.append(block.text);
  return program;
}

// ---------------------------------------------------------------------------------
// The engine's life.

bool CScriptEngine::StartFailed(const char* message) {
  errorText_ = message;
  Reset();
  return false;
}

bool CScriptEngine::Start() {
  if (activeScript_ || activeScriptParse_) Close();
  aborted_ = false;
  // The engine's class is looked up once per process, not on every request.
  HRESULT hr = YClassFactoryCache::CreateInstance(classId_, IID_IActiveScript, activeScript_.ReceiveVoid());
  if (FAILED(hr)) {
    DWORD lastError = GetLastError();
    std::printf("last error=%d\n", static_cast<int>(lastError));
    std::fflush(stdout);
    return StartFailed("Failed to create script engine.");
  }
  if (FAILED(activeScriptParse_.QueryFrom(activeScript_.Get(), IID_IActiveScriptParse))) {
    return StartFailed("Failed to obtain IActiveScriptParse interface.");
  }
  if (FAILED(activeScript_->SetScriptSite(&site_))) return StartFailed("Failed to set script engine's site.");
  if (FAILED(activeScriptParse_->InitNew())) return StartFailed("Failed to initialize script engine.");
  // The check item comes first among the global-members items: the engines ask them in
  // the order they were added, at every loop turn.
  if ((languageId_ == kLanguageVBScript || languageId_ == kLanguageJScript) && FAILED(AddRunawayCheck())) {
    return StartFailed("Failed to initialize script engine.");
  }
  return true;
}

bool CScriptEngine::RunProgram() {
  if (!activeScript_ || !activeScriptParse_) return false;
  std::wstring program = AssembleProgram();
  if (languageId_ == kLanguageVBScript || languageId_ == kLanguageVBScriptEncoded) {
    YVBScriptGuardResult guard = GuardVBScriptProgram(program, itemNames_);
    if (guard.refusedLine) {
      ReportRefusedStatement(*guard.refusedLine);
      activeScriptParse_.Reset();
      return false;
    }
    if (guard.callsGuardedFunctions) AddVBScriptFunctions(guard.hiddenPrefix);
  }
  // Loops and procedures ask the page whether to go on: the platform's engines cannot
  // be interrupted from outside.
  if (languageId_ == kLanguageVBScript || languageId_ == kLanguageJScript) {
    const size_t plainSize = program.size();
    program = languageId_ == kLanguageVBScript ? InsertVBScriptChecks(program) : InsertJScriptChecks(program);
    if (program.size() != plainSize && FAILED(AddRunawayCheck())) {
      activeScriptParse_.Reset();
      return false;
    }
  }
  EXCEPINFO info{};
  HRESULT hr;
  {
    YPhaseTimer timer(YRequestPhase::kParse);
    compiling_ = true;
    hr = activeScriptParse_->ParseScriptText(program.c_str(), nullptr, nullptr, nullptr, 0, 1, SCRIPTTEXT_ISVISIBLE,
                                             nullptr, &info);
    compiling_ = false;
  }
  FreeExcepInfo(&info);
  activeScriptParse_.Reset();
  if (FAILED(hr)) return false;
  lastError_ = S_OK;
  hr = activeScript_->SetScriptState(SCRIPTSTATE_CONNECTED);
  // A page that stops itself ends its scripts by failing the call it is in; that
  // failure is the stop, not an error, as long as no error was reported before it.
  if (FAILED(hr) && !aborted_) return false;
  return lastError_ >= 0;
}

HRESULT CScriptEngine::AddRunawayCheck() {
  if (runawayCheck_) return S_OK;
  runawayCheck_ = new YRunawayCheck(owner_ ? owner_->GetPageStop() : nullptr);
  HRESULT hr = activeScript_->AddNamedItem(kRunawayCheckItem, SCRIPTITEM_GLOBALMEMBERS);
  if (FAILED(hr)) std::exchange(runawayCheck_, nullptr)->Release();
  return hr;
}

void CScriptEngine::AddVBScriptFunctions(std::wstring prefix) {
  if (functions_) {
    functions_->SetPrefix(std::move(prefix));
    return;
  }
  functions_ = new CVBScriptFunctions(std::move(prefix));
  if (FAILED(activeScript_->AddNamedItem(kVBScriptFunctionsItem, SCRIPTITEM_GLOBALMEMBERS))) {
    std::exchange(functions_, nullptr)->Release();
  }
}

void CScriptEngine::ReportRefusedStatement(int32_t programLine) {
  std::string file;
  int32_t line = 0;
  MapErrorLine(programLine, &file, &line);
  errorText_ =
      "<p>VBScript compilation error</p><p>An assignment through two calls in a row, as in x(a)(b) = v, "
      "cannot be compiled here; assign through a variable instead: Set t = x(a) : t(b) = v</p>";
  char position[64];
  std::snprintf(position, sizeof position, ",line %d</p>", static_cast<int>(line));
  errorText_ += "<p>" + ReportFileName(file) + position;
  errorSummary_ = "VBScript compilation error at " + file + ":" + std::to_string(line);
  lastError_ = E_FAIL;
}

void CScriptEngine::Close() {
  activeScriptParse_.Reset();
  if (activeScript_) {
    // Closing the engine drops its reference to the site, which may be the last one.
    AddRef();
    ReleaseCrossScriptProxy();
    ComPtr<IActiveScript> script = std::move(activeScript_);
    script->Close();
    script.Reset();
    if (CNamedItemMembers* items = std::exchange(namedItems_, nullptr)) {
      items->Detach();
      items->Release();
    }
    if (YRunawayCheck* check = std::exchange(runawayCheck_, nullptr)) {
      check->Detach();
      check->Release();
    }
    if (CVBScriptFunctions* functions = std::exchange(functions_, nullptr)) functions->Release();
    itemNames_.clear();
    crossScriptItemAdded_ = false;
    namedItemsDirect_.reset();
    Release();
  }
}

void CScriptEngine::Reset() {
  Close();
  mainSpans_.clear();
  scriptBlocks_.clear();
  mainText_.clear();
}

void CScriptEngine::ReleaseCrossScriptProxy() {
  if (YProxyDispatch* proxy = std::exchange(crossScriptProxy_, nullptr)) {
    proxy->ReleaseInner();
    proxy->Release();
  }
}

bool CScriptEngine::LinkCrossScript(CScriptEngine* source, CScriptEngine* target) {
  if (!source || !target || !source->activeScript_ || !target->activeScript_) return false;
  ComPtr<IDispatch> dispatch;
  if (FAILED(source->activeScript_->GetScriptDispatch(nullptr, dispatch.Receive())) || !dispatch) {
    return false;
  }
  if (target->crossScriptProxy_ && target->crossScriptItemAdded_) {
    // The engine asked for the item's object when it was added and keeps what it got:
    // the proxy it holds now wraps the new source.
    target->crossScriptProxy_->ReplaceInner(dispatch.Detach());
    return true;
  }
  target->ReleaseCrossScriptProxy();
  target->crossScriptProxy_ = new YProxyDispatch(dispatch.Detach());
  HRESULT hr = target->activeScript_->AddNamedItem(kCrossScriptItem, SCRIPTITEM_GLOBALMEMBERS);
  target->crossScriptItemAdded_ = SUCCEEDED(hr);
  return SUCCEEDED(hr);
}

HRESULT CScriptEngine::AddNamedItem(LPCOLESTR name, DWORD flags) {
  if (!activeScript_) return E_UNEXPECTED;
  if (!name) return E_POINTER;
  itemNames_.emplace_back(name);
  if (flags & SCRIPTITEM_GLOBALMEMBERS) return activeScript_->AddNamedItem(name, flags);
  if (!namedItemsDirect_) namedItemsDirect_ = CNamedItemProbe::EngineCallsNamedItemsWithArguments(classId_);
  if (*namedItemsDirect_) return activeScript_->AddNamedItem(name, flags);
  if (!namedItems_) {
    namedItems_ = new CNamedItemMembers(this, IsCaseSensitive(languageId_));
    HRESULT hr = activeScript_->AddNamedItem(kNamedItemsItem, SCRIPTITEM_GLOBALMEMBERS);
    if (FAILED(hr)) {
      std::exchange(namedItems_, nullptr)->Release();
      return hr;
    }
  }
  namedItems_->Add(name);
  return S_OK;
}

HRESULT CScriptEngine::GetScriptDispatch(IDispatch** dispatch) {
  if (!dispatch) return E_POINTER;
  *dispatch = nullptr;
  if (!activeScript_) return E_UNEXPECTED;
  return activeScript_->GetScriptDispatch(nullptr, dispatch);
}

HRESULT CScriptEngine::InterruptScriptThread(SCRIPTTHREADID thread) {
  if (!activeScript_) return E_UNEXPECTED;
  EXCEPINFO info{};
  return activeScript_->InterruptScriptThread(thread, &info, 0);
}

// ---------------------------------------------------------------------------------
// Error positions.

bool CScriptEngine::MapErrorLine(int32_t programLine, std::string* fileName, int32_t* sourceLine) const {
  int32_t line = programLine;
  auto answer = [&](const YLineSpan& span) {
    *sourceLine = line + span.startLine;
    const char* name = owner_ ? owner_->GetFileName(span.fileIndex) : nullptr;
    fileName->assign(name ? name : "");
    return name != nullptr;
  };
  for (const YLineSpan& span : mainSpans_) {
    if (span.lineCount >= line) return answer(span);
    line -= span.lineCount;
  }
  const YLineSpan* last = mainSpans_.empty() ? nullptr : &mainSpans_.back();
  for (const auto& [index, block] : scriptBlocks_) {
    for (const YLineSpan& span : block.spans) {
      if (span.lineCount >= line) return answer(span);
      line -= span.lineCount;
      last = &span;
    }
  }
  // The line after the program: the engine reached the end of the text still inside a
  // block (an If without its End If). That is the last line of the last fragment.
  if (line == 1 && last) {
    line = last->lineCount;
    return answer(*last);
  }
  fileName->clear();
  *sourceLine = line;
  return false;
}

// ---------------------------------------------------------------------------------
// The site's handlers.

HRESULT CScriptEngine::GetLCID(LCID*) { return E_NOTIMPL; }

HRESULT CScriptEngine::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown, ITypeInfo** typeInfo) {
  IDispatch* own = nullptr;
  if (SameNameIgnoringCase(name, kCrossScriptItem)) {
    own = crossScriptProxy_;
  } else if (namedItems_ && SameNameIgnoringCase(name, kNamedItemsItem)) {
    own = namedItems_->GetIDispatch(false);
  } else if (runawayCheck_ && SameNameIgnoringCase(name, kRunawayCheckItem)) {
    own = runawayCheck_;
  } else if (functions_ && SameNameIgnoringCase(name, kVBScriptFunctionsItem)) {
    own = functions_->GetIDispatch(false);
  } else if (owner_) {
    return owner_->GetItemInfo(languageId_, name, mask, unknown, typeInfo);
  } else {
    return TYPE_E_ELEMENTNOTFOUND;
  }
  if (typeInfo) *typeInfo = nullptr;
  if (mask & SCRIPTINFO_IUNKNOWN) {
    if (!unknown) return E_POINTER;
    *unknown = own;
    if (own) own->AddRef();
  }
  return S_OK;
}

HRESULT CScriptEngine::GetDocVersionString(BSTR* version) {
  if (version) *version = nullptr;
  return S_OK;
}

HRESULT CScriptEngine::OnScriptTerminate(const VARIANT*, const EXCEPINFO*) { return S_OK; }
HRESULT CScriptEngine::OnStateChange(SCRIPTSTATE) { return S_OK; }
HRESULT CScriptEngine::OnEnterScript() { return S_OK; }
HRESULT CScriptEngine::OnLeaveScript() { return S_OK; }

void CScriptEngine::AppendWide(BSTR text) { errorText_ += HtmlEncodeText(BstrToNarrow(text, ScriptCodePage())); }

std::string CScriptEngine::ReportFileName(const std::string& physicalPath) const {
  return HtmlEncodeText(owner_ ? owner_->ReportPath(physicalPath) : physicalPath);
}

HRESULT CScriptEngine::OnScriptError(IActiveScriptError* error) {
  if (aborted_) return S_OK;
  DWORD context = 0;
  ULONG line = 0;
  LONG column = 0;
  if (error && SUCCEEDED(error->GetSourcePosition(&context, &line, &column))) {
    ScopedBstr lineText;
    if (FAILED(error->GetSourceLineText(lineText.Receive()))) lineText.Reset();
    EXCEPINFO info{};
    if (FAILED(error->GetExceptionInfo(&info))) FreeExcepInfo(&info);
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    errorText_.clear();
    unsigned long code = info.scode != 0 ? static_cast<unsigned long>(info.scode) : info.wCode;
    // Wine's engines leave the source and the description of many errors empty (and
    // report a VBScript syntax error as E_FAIL): the report then names the language's
    // error number and gives the language's own description of it.
    int number = LanguageErrorNumber(static_cast<HRESULT>(code));
    const bool vbscript = languageId_ == kLanguageVBScript || languageId_ == kLanguageVBScriptEncoded;
    if (!number && compiling_ && vbscript && static_cast<HRESULT>(code) == E_FAIL) number = kVBScriptSyntaxError;
    if (number) code = static_cast<unsigned long>(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, number));
    const bool hasSource = info.bstrSource && SysStringLen(info.bstrSource) > 0;
    const bool hasDescription = info.bstrDescription && SysStringLen(info.bstrDescription) > 0;
    const char* ownDescription = hasDescription ? nullptr : LanguageErrorDescription(number);
    if (hasSource || ownDescription) {
      char formatted[32];
      std::snprintf(formatted, sizeof formatted, " error '%lx'", code);
      errorText_ += "<p>";
      if (hasSource) {
        AppendWide(info.bstrSource);
      } else {
        errorText_ += vbscript ? "VBScript" : "JScript";
        errorText_ += compiling_ ? " compilation error" : " runtime error";
      }
      errorText_ += formatted;
      errorText_ += "</p>";
    }
    if (hasDescription) {
      errorText_ += "<p>";
      AppendWide(info.bstrDescription);
      errorText_ += "</p>";
    } else if (ownDescription) {
      errorText_ += "<p>";
      errorText_ += ownDescription;
      errorText_ += "</p>";
    }
    std::string fileName;
    int32_t sourceLine = 0;
    MapErrorLine(static_cast<int32_t>(line), &fileName, &sourceLine);
    char summary[64];
    std::snprintf(summary, sizeof summary, "error '%lx' at ", code);
    errorSummary_ = summary + fileName + ":" + std::to_string(sourceLine);
    char position[64];
    std::snprintf(position, sizeof position, ",line %d</p>", static_cast<int>(sourceLine));
    errorText_ += "<p>";
    errorText_ += ReportFileName(fileName);
    errorText_ += position;
    if (lineText.Get()) {
      // The caret stays within the line, whatever position the engine reports.
      LONG width = static_cast<LONG>(lineText.Length());
      errorText_ += "<p><pre>";
      AppendWide(lineText.Get());
      errorText_ += "\r\n";
      errorText_.append(static_cast<size_t>(column < 0 ? 0 : column > width ? width : column), '-');
      errorText_ += "^</pre></p>";
    }
    FreeExcepInfo(&info);
  }
  lastError_ = E_FAIL;
  return S_OK;
}

// ---------------------------------------------------------------------------------
// XActiveScriptSite: each call goes to the handler of the same name.

STDMETHODIMP CScriptEngine::XActiveScriptSite::GetLCID(LCID* lcid) { return self()->GetLCID(lcid); }
STDMETHODIMP CScriptEngine::XActiveScriptSite::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown,
                                                           ITypeInfo** typeInfo) {
  return self()->GetItemInfo(name, mask, unknown, typeInfo);
}
STDMETHODIMP CScriptEngine::XActiveScriptSite::GetDocVersionString(BSTR* version) {
  return self()->GetDocVersionString(version);
}
STDMETHODIMP CScriptEngine::XActiveScriptSite::OnScriptTerminate(const VARIANT* result, const EXCEPINFO* excepInfo) {
  return self()->OnScriptTerminate(result, excepInfo);
}
STDMETHODIMP CScriptEngine::XActiveScriptSite::OnStateChange(SCRIPTSTATE state) { return self()->OnStateChange(state); }
STDMETHODIMP CScriptEngine::XActiveScriptSite::OnScriptError(IActiveScriptError* error) {
  return self()->OnScriptError(error);
}
STDMETHODIMP CScriptEngine::XActiveScriptSite::OnEnterScript() { return self()->OnEnterScript(); }
STDMETHODIMP CScriptEngine::XActiveScriptSite::OnLeaveScript() { return self()->OnLeaveScript(); }
