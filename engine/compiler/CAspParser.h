// CAspParser: compiles one page file, with everything it includes, into one program per
// scripting language and a table of literal HTML blocks, then runs it.
//
// Literal text is never pasted into a program: it goes into the block table once, and
// the program of the page's default language gets a Response.HtmlBlock(n) call in its
// place. "<% %>" code and "<%= %>" expressions go to the default engine, "<%@ %>"
// directives choose language, code page and transaction flag, "<!--#include -->"
// compiles another file in place, and server-side <script> and <object> elements add
// script blocks in their own language or create objects.
//
// One parser serves one page run and is used by the thread that serves the page; the
// page manager's sweep reaches it from its own thread only to read the deadline and
// interrupt the scripts.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/YList.h"
#include "automation/ComPtr.h"
#include "compiler/MergedWrites.h"
#include "compiler/YCompiledPage.h"
#include "compiler/YHtmlBlock.h"
#include "script/CScriptEngine.h"
#include "script/YPageStop.h"
#include "script/YScriptEngineOwner.h"

class YAspContext;
class YAttributeList;

// The largest page or include file the compiler reads.
constexpr uint64_t kMaxPageFileBytes = 8388607;

class CAspParser : public YListNode, public YScriptEngineOwner {
 public:
  CAspParser() = default;
  ~CAspParser() override;

  // Closes and releases every engine and frees the block table.
  virtual void Clear();

  // The object behind a named item other than the cross-script item; asked by the
  // engines' sites.
  HRESULT GetItemInfo(int32_t languageId, LPCOLESTR name, DWORD mask, IUnknown** unknown,
                      ITypeInfo** typeInfo) override;
  const char* GetFileName(int32_t fileIndex) const override;
  UINT GetCodePage() override;
  const YPageStop* GetPageStop() const override { return &stop_; }
  std::string ReportPath(const std::string& physicalPath) override;

  void SetContext(YAspContext* context) { context_ = context; }

  // Compiles the page at physicalPath, reached by virtualPath, or takes the compiled
  // page kept from an earlier request when none of its files changed; either way the
  // context sees the same settings and objects. On failure errorText() says why.
  bool CompileFile(const char* virtualPath, const char* physicalPath);

  // The engine of a language name (null: VBScript), created on first use; null for a
  // name that is no language.
  CScriptEngine* EngineFor(const char* language);

  // Runs the compiled page: the engines of the other languages first, in the order the
  // page first used them, each linked to the one before, then the default engine,
  // linked both ways with the last of them. False when an engine failed to start or a
  // script failed: ErrorText() says why.
  bool Run();
  // Closes every scripting engine; the programs stay for a later Run.
  void CloseEngines();
  // Stops the running scripts at the page's own request (Response.End, Redirect,
  // Server.Transfer): their error reports are dropped and the run counts as
  // successful. Answers false when an engine refused the interruption.
  bool AbortScripts();
  // For a member that stops the page: AbortScripts, and where the platform cannot
  // interrupt the running script, raises E_ABORT so the engine unwinds from the call.
  void StopScriptsFromMember();
  // Interrupts every running script (the time-out sweep); reported as a script error.
  // Marks the page timed out, which stops it at its next loop turn or procedure entry
  // where the engine cannot be interrupted.
  void InterruptScripts();

  // The page's error text: errorText when set, else that of the engine that failed.
  std::string ErrorText() const;
  // The same in one plain line for the server log: what failed and where (file:line).
  std::string ErrorSummary() const;

  const std::string& errorText() const { return errorText_; }
  void ClearErrorText() { errorText_.clear(); }
  const std::vector<YHtmlBlock>& htmlBlocks() const { return htmlBlocks_; }
  const std::vector<std::string>& fileNames() const { return fileNames_; }
  const std::vector<ComPtr<CScriptEngine>>& engines() const { return engines_; }
  CScriptEngine* defaultEngine() const { return defaultEngine_; }
  CScriptEngine* currentEngine() const { return currentEngine_; }
  bool transactionRequired() const { return transactionRequired_; }
  bool scriptsAborted() const { return stop_.aborted.load(std::memory_order_relaxed); }
  bool timedOut() const { return stop_.timedOut.load(std::memory_order_relaxed); }

  int64_t deadline() const { return stop_.deadline.load(std::memory_order_relaxed); }
  void set_deadline(int64_t deadline) { stop_.deadline.store(deadline, std::memory_order_relaxed); }

 private:
  struct FileScan;
  struct Element;

  // The compiled page kept from an earlier run: its state taken over, its effects on the
  // context repeated. False when an engine could not be made.
  bool UseCompiled(const YCompiledPage& page);
  std::shared_ptr<const YCompiledPage> Snapshot() const;
  bool CompileOne(const std::string& virtualPath, const std::string& physicalPath, int32_t fileIndex);
  bool Scan(FileScan& scan, const char* begin, const char* end);
  bool LiteralText(FileScan& scan, const char* begin, const char* end);
  // Compiles the include at path; written is the path as the page wrote it, for reports.
  bool Include(const std::string& path, const std::string& written);
  const char* ScriptBlock(FileScan& scan, const char* start, const char* end);
  void ApplyDirective(const YAttributeList& attributes);
  const char* FindElement(const char* lt, const char* name, const char* end, Element* element);
  void HandleElement(FileScan& scan, const Element& element);
  void HandleObject(const YAttributeList& attributes);
  void RecordEffect(YCompiledPage::ContextEffect effect);
  bool AddCode(int32_t fileIndex, int32_t startLine, int32_t lineFeeds, std::string_view text);
  // Code, blocks and values of the default engine's program wait here until the page is
  // compiled, so that runs of writes can be merged (MergedWrites).
  bool AddPiece(YProgramPiece piece);
  void ComposePrograms();
  bool StoreHtmlBlock(FileScan& scan, const char* begin, const char* end);
  bool EmitHtmlBlock(size_t index);
  bool FlushHtmlBlocks();
  bool EnsureDefaultEngine();

  CScriptEngine* defaultEngine_ = nullptr;
  bool transactionRequired_ = false;
  YAspContext* context_ = nullptr;
  CScriptEngine* currentEngine_ = nullptr;
  std::vector<ComPtr<CScriptEngine>> engines_;
  std::vector<YHtmlBlock> htmlBlocks_;
  bool blocksFlushed_ = false;
  std::vector<std::pair<CScriptEngine*, YProgramPiece>> pieces_;  // not yet composed
  std::vector<std::string> fileNames_;
  std::vector<std::string> includeStack_;  // innermost last
  std::string errorText_;
  std::string errorSummary_;  // set where the plain "compile error in file" says too little
  std::string failedFile_;    // the innermost file whose compile failed
  std::string currentDirectory_;
  // What a compile records for the compiled page it leaves.
  std::vector<YCompiledPage::ContextEffect> effects_;
  std::vector<YFileStamp> fileStamps_;
  YPageStop stop_;  // deadline, self-stop and time-out of the running page
};
