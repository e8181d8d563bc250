#include "compiler/CAspParser.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "app/YAspContext.h"
#include "app/YPageManage.h"
#include "automation/ScopedHandle.h"
#include "automation/TextConversion.h"
#include "automation/YAutomationError.h"
#include "compiler/PathNormalization.h"
#include "compiler/ScriptLanguage.h"
#include "compiler/YAttributeList.h"
#include "compiler/YCompiledPageCache.h"
#include "host/RequestProfile.h"
#include "script/CServerObject.h"

namespace {

// Compile messages, shown to the client in the page's code page (the system's until the
// page names one).
constexpr wchar_t kNoFileInformation[] = L"无法得到文件信息\n";
constexpr wchar_t kCannotOpenFile[] = L"无法打开文件\n";
constexpr wchar_t kFileTooLarge[] = L"文件太大了,最大8M\n";
constexpr wchar_t kNoCommentEnd[] = L"无法找到结束标识-->";
constexpr wchar_t kIncludeWithoutPath[] = L"include 必须要有 virtual 或者 file属性";
constexpr wchar_t kCannotMapFile[] = L"无法映射文件 [";   // + path + "]"
constexpr wchar_t kCircularInclude[] = L"循环包含文件[";  // + path + kCircularIncludeEnd
constexpr wchar_t kCircularIncludeEnd[] = L"]了。\n";
constexpr wchar_t kNoScriptEnd[] = L"找不到结束标识 %>";
constexpr wchar_t kNoClosingTag[] = L" 没有关闭标记\n";  // "object" or "script" + this
constexpr wchar_t kEmptyId[] = L"id是空的\n";
constexpr wchar_t kNeedProgidOrClassid[] = L"progid 或 classid必需要有一个\n";
constexpr char kCannotInitEngine[] = "cann't init script engine";

std::string Message(const wchar_t* text) { return WideToNarrow(text, ScriptCodePage()); }

int32_t CountLineFeeds(const char* begin, const char* end) {
  return static_cast<int32_t>(std::count(begin, end, '\n'));
}

const char* SkipSpace(const char* p, const char* end) {
  while (p < end && IsCSpace(*p)) ++p;
  return p;
}

// The first occurrence of needle in [begin, end), or null.
const char* Find(const char* begin, const char* end, std::string_view needle) {
  const char first = needle[0];
  while (begin + needle.size() <= end) {
    const char* hit = static_cast<const char*>(std::memchr(begin, first, end - begin - needle.size() + 1));
    if (!hit) return nullptr;
    if (std::memcmp(hit, needle.data(), needle.size()) == 0) return hit;
    begin = hit + 1;
  }
  return nullptr;
}

const char* FindByte(const char* begin, const char* end, char c) {
  return begin < end ? static_cast<const char*>(std::memchr(begin, c, end - begin)) : nullptr;
}

// The directory part of a virtual path: cut at the last separator, which goes too.
std::string DirectoryOf(const std::string& virtualPath) {
  size_t cut = virtualPath.find_last_of("\\/");
  return cut == std::string::npos ? virtualPath : virtualPath.substr(0, cut);
}

// The bytes a byte-order mark takes at the start of data; *utf8 tells a UTF-8 mark.
size_t ByteOrderMarkLength(const unsigned char* data, size_t n, bool* utf8) {
  *utf8 = false;
  if (n >= 4 && data[0] == 0x00) return 4;
  if (n >= 2 && data[0] == 0xFF) return (n >= 4 && data[2] == 0x00) ? 4 : 2;
  if (n >= 3 && data[0] == 0xEF) {
    *utf8 = true;
    return 3;
  }
  if (n >= 2 && data[0] == 0xFE) return 2;
  return 0;
}

}  // namespace

// Where the scanner stands in one file.
struct CAspParser::FileScan {
  int32_t fileIndex;
  int32_t line = 0;  // line feeds consumed before the current position
};

// A server-side element found by FindElement.
struct CAspParser::Element {
  bool isScript = false;
  const char* start = nullptr;         // its "<"
  const char* contentBegin = nullptr;  // after the start tag's ">"
  const char* contentEnd = nullptr;    // the end tag's "<"
  const char* after = nullptr;         // after the end tag's ">"
  std::string attributeText;           // copied out of the start tag
};

CAspParser::~CAspParser() {
  YPageManage::Instance().Unlink(this);  // never leave a destroyed page on the list
  Clear();
}

void CAspParser::Clear() {
  CloseEngines();
  defaultEngine_ = nullptr;
  currentEngine_ = nullptr;
  pieces_.clear();
  engines_.clear();
  htmlBlocks_.clear();
}

HRESULT CAspParser::GetItemInfo(int32_t, LPCOLESTR name, DWORD mask, IUnknown** unknown, ITypeInfo** typeInfo) {
  if (unknown) *unknown = nullptr;
  if (typeInfo) *typeInfo = nullptr;
  if (!context_) return E_UNEXPECTED;
  return context_->GetItemInfo(name, mask, unknown);
}

const char* CAspParser::GetFileName(int32_t fileIndex) const {
  if (fileIndex < 0 || static_cast<size_t>(fileIndex) >= fileNames_.size()) return nullptr;
  return fileNames_[fileIndex].c_str();
}

std::string CAspParser::ReportPath(const std::string& physicalPath) {
  return context_ ? context_->ReportPath(physicalPath) : physicalPath;
}

UINT CAspParser::GetCodePage() { return context_ ? static_cast<UINT>(context_->GetCodePage()) : 0; }

CScriptEngine* CAspParser::EngineFor(const char* language) {
  const YLanguageEntry* entry = FindScriptLanguage(language);
  if (!entry) return nullptr;
  for (const auto& engine : engines_) {
    if (engine->languageId() == entry->number) return engine.Get();
  }
  auto* engine = new (std::nothrow) CScriptEngine(entry->number, entry->classId, this);
  if (!engine) return nullptr;
  engines_.push_back(ComPtr<CScriptEngine>::Adopt(engine));
  return engine;
}

// ---------------------------------------------------------------------------------
// Compiling.

bool CAspParser::CompileFile(const char* virtualPath, const char* physicalPath) {
  // Only a fresh parser compiles a page that can be kept.
  const bool keep = fileNames_.empty() && engines_.empty() && htmlBlocks_.empty();
  std::string key;
  if (keep) {
    // Everything the compile's result depends on besides the files themselves.
    key = std::string(physicalPath) + "\n" + virtualPath + "\n" +
          (context_ ? context_->MappingScope() + "\n" + std::to_string(context_->GetCodePage()) : "-");
    YPhaseTimer timer(YRequestPhase::kCacheHit);
    if (std::shared_ptr<const YCompiledPage> page = YCompiledPageCache::Instance().Find(key)) {
      return UseCompiled(*page);
    }
  }
  YPhaseTimer timer(YRequestPhase::kCompile);
  fileNames_.emplace_back(physicalPath);
  bool compiled = CompileOne(virtualPath, physicalPath, static_cast<int32_t>(fileNames_.size() - 1));
  ComposePrograms();
  // A compile that went through with a complaint (an unclosed element) is not kept.
  if (keep && compiled && errorText_.empty()) YCompiledPageCache::Instance().Store(key, Snapshot());
  return compiled;
}

std::shared_ptr<const YCompiledPage> CAspParser::Snapshot() const {
  auto page = std::make_shared<YCompiledPage>();
  for (const auto& engine : engines_) {
    page->engines.push_back({engine->languageId(), engine->classId(), engine->program()});
    if (engine.Get() == defaultEngine_) page->defaultEngine = static_cast<int32_t>(page->engines.size() - 1);
  }
  page->blocksFlushed = blocksFlushed_;
  page->transactionRequired = transactionRequired_;
  page->htmlBlocks = htmlBlocks_;
  page->fileNames = fileNames_;
  page->effects = effects_;
  page->files = fileStamps_;
  page->CountBytes();
  return page;
}

bool CAspParser::UseCompiled(const YCompiledPage& page) {
  for (const YCompiledPage::Engine& kept : page.engines) {
    auto* engine = new (std::nothrow) CScriptEngine(kept.languageId, kept.classId, this);
    if (!engine) {
      errorText_ = kCannotInitEngine;
      return false;
    }
    engine->SetProgram(kept.program);
    engines_.push_back(ComPtr<CScriptEngine>::Adopt(engine));
  }
  defaultEngine_ = page.defaultEngine >= 0 ? engines_[page.defaultEngine].Get() : nullptr;
  blocksFlushed_ = page.blocksFlushed;
  transactionRequired_ = page.transactionRequired;
  htmlBlocks_ = page.htmlBlocks;
  fileNames_ = page.fileNames;
  if (!context_) return true;
  for (const YCompiledPage::ContextEffect& effect : page.effects) {
    switch (effect.kind) {
      case YCompiledPage::ContextEffect::Kind::kByteOrderMarkCodePage: context_->SetCodePage(CP_UTF8); break;
      case YCompiledPage::ContextEffect::Kind::kCodePageDirective:
        if (!context_->CodePageChosen()) context_->SetCodePage(effect.codePage);
        break;
      case YCompiledPage::ContextEffect::Kind::kObjectElement:
        HandleObject(YAttributeList::Parse(effect.attributeText));
        break;
    }
  }
  return true;
}

void CAspParser::RecordEffect(YCompiledPage::ContextEffect effect) { effects_.push_back(std::move(effect)); }

bool CAspParser::CompileOne(const std::string& virtualPath, const std::string& physicalPath, int32_t fileIndex) {
  std::string savedDirectory = currentDirectory_;
  includeStack_.push_back(physicalPath);
  currentDirectory_ = DirectoryOf(virtualPath);
  struct Restore {
    CAspParser* self;
    std::string directory;
    ~Restore() {
      // The innermost file that failed is the one the report names.
      if (!self->errorText_.empty() && self->failedFile_.empty()) self->failedFile_ = self->includeStack_.back();
      self->currentDirectory_ = std::move(directory);
      self->includeStack_.pop_back();
    }
  } restore{this, std::move(savedDirectory)};

  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!GetFileAttributesExA(physicalPath.c_str(), GetFileExInfoStandard, &attributes)) {
    errorText_ = Message(kNoFileInformation);
    return false;
  }
  fileStamps_.push_back(YFileStamp::From(physicalPath, attributes));
  ScopedHandle file(CreateFileA(physicalPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file.IsValid() || !GetFileSizeEx(file.Get(), &size)) {
    errorText_ = Message(kCannotOpenFile);
    return false;
  }
  if (static_cast<uint64_t>(size.QuadPart) > kMaxPageFileBytes) {
    errorText_ = Message(kFileTooLarge);
    return false;
  }
  // One byte more than the size, so a file that grew meanwhile still ends the read.
  const DWORD wanted = static_cast<DWORD>(size.QuadPart) + 1;
  std::unique_ptr<char[]> buffer(new char[wanted + 1]);
  DWORD read = 0;
  if (!ReadFile(file.Get(), buffer.get(), wanted, &read, nullptr)) {
    errorText_ = Message(kCannotOpenFile);
    return false;
  }
  file.Reset();
  buffer[read] = '\0';

  bool utf8 = false;
  size_t skip = ByteOrderMarkLength(reinterpret_cast<unsigned char*>(buffer.get()), read, &utf8);
  if (utf8 && context_) context_->SetCodePage(CP_UTF8);
  if (utf8) RecordEffect({YCompiledPage::ContextEffect::Kind::kByteOrderMarkCodePage});

  FileScan scan{fileIndex};
  return Scan(scan, buffer.get() + skip, buffer.get() + read);
}

bool CAspParser::Scan(FileScan& scan, const char* begin, const char* end) {
  const char* pending = begin;
  const char* search = begin;
  for (;;) {
    const char* lt = FindByte(search, end, '<');
    if (!lt) return pending == end || LiteralText(scan, pending, end);
    if (lt + 1 < end && lt[1] == '%') {
      if (!LiteralText(scan, pending, lt)) return false;
      const char* after = ScriptBlock(scan, lt + 2, end);
      if (!after) return false;
      pending = search = after;
      continue;
    }
    Element element;
    const char* next = FindElement(lt, SkipSpace(lt + 1, end), end, &element);
    if (!next) return false;  // a server-side element without its end tag
    if (element.start) {
      if (!LiteralText(scan, pending, lt)) return false;
      HandleElement(scan, element);
      pending = next;
    }
    search = next;
  }
}

bool CAspParser::LiteralText(FileScan& scan, const char* begin, const char* end) {
  const char* pending = begin;
  const char* search = begin;
  for (;;) {
    const char* comment = Find(search, end, "<!--");
    if (!comment) return StoreHtmlBlock(scan, pending, end);
    const char* p = comment + 4;
    while (p < end && (IsCSpace(*p) || *p == '-')) ++p;
    if (p >= end || *p != '#') {
      search = std::min(p + 4, end);  // an ordinary comment stays literal text
      continue;
    }
    const char* name = SkipSpace(p + 1, end);
    if (!StoreHtmlBlock(scan, pending, comment)) return false;
    const char* close = Find(name, end, "-->");
    if (!close) {
      errorText_ = Message(kNoCommentEnd);
      return false;
    }
    scan.line += CountLineFeeds(comment + 1, close);
    std::string_view directive(name, close - name);
    if (directive.size() >= 7 && EqualsAsciiNoCase(directive.substr(0, 7), "include")) {
      YAttributeList attributes = YAttributeList::Parse(directive.substr(7));
      std::string path, written;
      if (const auto* file = attributes.Find("file")) {
        path = currentDirectory_ + "\\" + file->value;
        written = file->value;
      } else if (const auto* virtualPath = attributes.Find("virtual")) {
        path = written = virtualPath->value;
      } else {
        errorText_ = Message(kIncludeWithoutPath);
        return false;
      }
      if (!Include(path, written)) return false;
    }
    pending = search = close + 3;
  }
}

bool CAspParser::Include(const std::string& path, const std::string& written) {
  std::string normalized = path;
  NormalizePath(normalized);
  std::string physical;
  if (!context_ || !context_->MapVirtualPath(normalized.c_str(), &physical)) {
    errorText_ = Message(kCannotMapFile) + HtmlEncodeText(path) + "]";
    return false;
  }
  if (std::find(includeStack_.begin(), includeStack_.end(), physical) != includeStack_.end()) {
    std::string message = Message(kCircularInclude) + physical + Message(kCircularIncludeEnd);
    std::fputs(message.c_str(), stderr);
    return true;
  }
  fileNames_.push_back(physical);
  const std::string includer = includeStack_.empty() ? std::string() : includeStack_.back();
  if (CompileOne(normalized, physical, static_cast<int32_t>(fileNames_.size() - 1))) return true;
  if (failedFile_ == physical && errorText_ == Message(kNoFileInformation)) {
    // A missing include: name it as written and the file that includes it.
    errorText_ += HtmlEncodeText("[" + written + "] included by [" + ReportPath(includer) + "]") + "\n";
    errorSummary_ = "missing include " + written + " in " + includer;
  }
  return false;
}

const char* CAspParser::ScriptBlock(FileScan& scan, const char* start, const char* end) {
  const char* p = SkipSpace(start, end);
  const char* close = Find(p, end, "%>");
  if (!close) {
    errorText_ = Message(kNoScriptEnd);
    return nullptr;
  }
  const int32_t lineFeeds = CountLineFeeds(start, close);
  if (p < close && *p == '@') {
    ApplyDirective(YAttributeList::Parse(std::string_view(p + 1, close - p - 1)));
  } else if (p < close && *p == '=') {
    YProgramPiece value{YProgramPiece::Kind::kValue, scan.fileIndex, scan.line, lineFeeds,
                        std::string(p + 1, close - p - 1)};
    if (!AddPiece(std::move(value))) return nullptr;
  } else if (!AddCode(scan.fileIndex, scan.line, lineFeeds, std::string_view(start, close - start))) {
    return nullptr;
  }
  scan.line += lineFeeds;
  return close + 2;
}

void CAspParser::ApplyDirective(const YAttributeList& attributes) {
  if (const auto* language = attributes.Find("language")) {
    defaultEngine_ = EngineFor(language->hasValue ? language->value.c_str() : nullptr);
  }
  if (const std::string* codePage = attributes.Value("codepage")) {
    if (context_ && !context_->CodePageChosen()) context_->SetCodePage(std::atoi(codePage->c_str()));
    RecordEffect({YCompiledPage::ContextEffect::Kind::kCodePageDirective, std::atoi(codePage->c_str())});
  }
  if (const std::string* transaction = attributes.Value("transaction")) {
    transactionRequired_ = EqualsAsciiNoCase(*transaction, "required");
  }
}

// Looks for a server-side element whose name starts at name (lt is its "<"). Fills
// element when it is one; answers where scanning goes on either way, or null (with
// errorText set) for a server-side element that has no end tag.
const char* CAspParser::FindElement(const char* lt, const char* name, const char* end, Element* element) {
  if (end - name < 8 || !IsCSpace(name[6])) return name;
  std::string_view tag(name, 6);
  bool isScript = EqualsAsciiNoCase(tag, "script");
  if (!isScript && !EqualsAsciiNoCase(tag, "object")) return name;
  const char* gt = FindByte(name + 6, end, '>');
  if (!gt) return name + 6;
  std::string attributeText(name + 6, gt);
  const std::string* runat = YAttributeList::Parse(attributeText).Value("runat");
  if (!runat || !EqualsAsciiNoCase(*runat, "server")) return name + 6;

  const char* search = gt + 1;
  for (;;) {
    const char* endTag = FindByte(search, end, '<');
    if (!endTag) {
      // Its code must not reach the client as literal text: the page fails.
      errorText_ = (isScript ? "script" : "object") + Message(kNoClosingTag);
      return nullptr;
    }
    if (endTag + 1 >= end || endTag[1] != '/') {
      search = endTag + 1;
      continue;
    }
    const char* close = FindByte(endTag + 2, end, '>');
    if (!close) return endTag + 2;
    if (close - (endTag + 2) == 6 && EqualsAsciiNoCase(std::string_view(endTag + 2, 6), tag)) {
      element->isScript = isScript;
      element->start = lt;
      element->contentBegin = gt + 1;
      element->contentEnd = endTag;
      element->after = close + 1;
      element->attributeText = std::move(attributeText);
      return close + 1;
    }
    search = endTag + 2;
  }
}

void CAspParser::HandleElement(FileScan& scan, const Element& element) {
  YAttributeList attributes = YAttributeList::Parse(element.attributeText);
  if (!element.isScript) {
    RecordEffect({YCompiledPage::ContextEffect::Kind::kObjectElement, 0, element.attributeText});
    HandleObject(attributes);
    scan.line += CountLineFeeds(element.start, element.after);
    return;
  }
  const auto* language = attributes.Find("language");
  CScriptEngine* engine = EngineFor(language && language->hasValue ? language->value.c_str() : nullptr);
  if (!engine) {
    scan.line += CountLineFeeds(element.start, element.after);  // dropped, lines still count
    return;
  }
  scan.line += CountLineFeeds(element.start, element.contentBegin);
  const int32_t contentLines = CountLineFeeds(element.contentBegin, element.contentEnd);
  engine->AddScriptBlock(scan.fileIndex, scan.line, contentLines,
                         std::string_view(element.contentBegin, element.contentEnd - element.contentBegin));
  scan.line += contentLines + CountLineFeeds(element.contentEnd, element.after);
}

void CAspParser::HandleObject(const YAttributeList& attributes) {
  const std::string* id = attributes.Value("id");
  if (!id || id->empty()) {
    std::fputs(Message(kEmptyId).c_str(), stderr);
    return;
  }
  if (!context_ || context_->HasObject(id->c_str())) return;
  CLSID clsid;
  if (const std::string* progid = attributes.Value("progid")) {
    std::printf("progid=%s\n", progid->c_str());
    if (FAILED(CLSIDFromProgID(NarrowToWide(*progid, CP_THREAD_ACP).c_str(), &clsid))) {
      std::fprintf(stderr, "cann't get clsid from progid=[%s]\n", progid->c_str());
      return;
    }
  } else if (const std::string* classid = attributes.Value("classid")) {
    std::wstring text = NarrowToWide(*classid, CP_THREAD_ACP);
    if (FAILED(CLSIDFromString(text.c_str(), &clsid))) {
      std::fprintf(stderr, "cann't get clsid from classid=[%s]\n", classid->c_str());
      return;
    }
  } else {
    std::fputs(Message(kNeedProgidOrClassid).c_str(), stderr);
    return;
  }
  const std::string* scope = attributes.Value("scope");
  if (!context_->AddObject(id->c_str(), clsid, scope ? scope->c_str() : nullptr)) {
    std::fprintf(stderr, "cann't add object id=[%s]\n", id->c_str());
  }
}

// ---------------------------------------------------------------------------------
// Program text and the HTML block table.

bool CAspParser::EnsureDefaultEngine() {
  if (!defaultEngine_) defaultEngine_ = EngineFor(nullptr);
  if (!defaultEngine_) {
    errorText_ = kCannotInitEngine;
    return false;
  }
  return true;
}

bool CAspParser::AddCode(int32_t fileIndex, int32_t startLine, int32_t lineFeeds, std::string_view text) {
  return AddPiece({YProgramPiece::Kind::kCode, fileIndex, startLine, lineFeeds, std::string(text)});
}

bool CAspParser::AddPiece(YProgramPiece piece) {
  if (!EnsureDefaultEngine() || !FlushHtmlBlocks()) return false;
  pieces_.emplace_back(defaultEngine_, std::move(piece));
  return true;
}

void CAspParser::ComposePrograms() {
  if (pieces_.empty()) return;
  std::vector<YProgramPiece> own;
  for (const auto& engine : engines_) {
    own.clear();
    for (auto& [target, piece] : pieces_) {
      if (target == engine.Get()) own.push_back(std::move(piece));
    }
    if (own.empty()) continue;
    for (const YProgramFragment& fragment : ComposeMainProgram(engine->languageId(), own)) {
      engine->AddCode(fragment.fileIndex, fragment.startLine, fragment.lineFeeds, fragment.text);
    }
  }
  pieces_.clear();
}

bool CAspParser::StoreHtmlBlock(FileScan& scan, const char* begin, const char* end) {
  if (begin >= end) return true;
  YHtmlBlock block;
  block.fileIndex = scan.fileIndex;
  block.startLine = scan.line;
  block.lineFeeds = CountLineFeeds(begin, end);
  block.text.assign(begin, end);
  scan.line += block.lineFeeds;
  htmlBlocks_.push_back(std::move(block));
  return !blocksFlushed_ || EmitHtmlBlock(htmlBlocks_.size() - 1);
}

bool CAspParser::EmitHtmlBlock(size_t index) {
  const YHtmlBlock& block = htmlBlocks_[index];
  YProgramPiece piece{YProgramPiece::Kind::kBlock, block.fileIndex, block.startLine, block.lineFeeds};
  piece.block = static_cast<int32_t>(index);
  piece.visible = std::any_of(block.text.begin(), block.text.end(), [](char c) { return !IsCSpace(c); });
  return AddPiece(std::move(piece));
}

bool CAspParser::FlushHtmlBlocks() {
  if (blocksFlushed_) return true;
  blocksFlushed_ = true;
  for (size_t i = 0; i < htmlBlocks_.size(); ++i) {
    if (defaultEngine_) {
      if (!EmitHtmlBlock(i)) return false;
    } else if (context_ && !context_->WriteLiteral(htmlBlocks_[i].text.c_str())) {
      return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------------------------
// Running.

bool CAspParser::Run() {
  stop_.aborted = false;
  stop_.timedOut = false;
  if (!defaultEngine_ && !engines_.empty()) defaultEngine_ = engines_.front().Get();
  if (!FlushHtmlBlocks()) return false;
  ComposePrograms();
  if (!defaultEngine_) return true;  // literal text only: already written

  {
    YPhaseTimer timer(YRequestPhase::kEngineStart);
    for (const auto& engine : engines_) {
      currentEngine_ = engine.Get();
      if (!engine->IsStarted() && !engine->Start()) return false;
    }
    for (const auto& engine : engines_) {
      if (context_) context_->AddNamedItems(engine.Get());
      if (FAILED(engine->AddNamedItem(L"YAspParser", SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISPERSISTENT))) return false;
    }
  }
  YPhaseTimer runTimer(YRequestPhase::kScriptRun);

  YPageManage& pages = YPageManage::Instance();
  pages.PushHead(this);
  currentEngine_ = nullptr;
  CScriptEngine* previous = nullptr;
  for (const auto& entry : engines_) {
    CScriptEngine* engine = entry.Get();
    if (engine == defaultEngine_) continue;
    if (previous) CScriptEngine::LinkCrossScript(previous, engine);
    previous = currentEngine_ = engine;
    if (!engine->RunProgram()) {
      pages.Unlink(this);
      return false;
    }
  }
  if (previous) {
    CScriptEngine::LinkCrossScript(defaultEngine_, previous);
    CScriptEngine::LinkCrossScript(previous, defaultEngine_);
  }
  currentEngine_ = defaultEngine_;
  bool result = defaultEngine_->RunProgram();
  pages.Unlink(this);
  return result;
}

void CAspParser::CloseEngines() {
  for (const auto& engine : engines_) engine->Close();
}

bool CAspParser::AbortScripts() {
  stop_.aborted = true;
  bool stopped = true;
  for (const auto& engine : engines_) {
    if (!engine->IsStarted()) continue;
    engine->SetAborted();
    if (FAILED(engine->InterruptScriptThread(SCRIPTTHREADID_CURRENT))) stopped = false;
  }
  return stopped;
}

void CAspParser::StopScriptsFromMember() {
  // Where the engine cannot interrupt its own thread, failing the member's call is
  // what unwinds the script; the report of that failure is dropped (aborted).
  if (!AbortScripts()) throw YAutomationError(E_ABORT);
}

void CAspParser::InterruptScripts() {
  stop_.timedOut = true;
  for (const auto& engine : engines_) {
    if (engine->IsStarted()) engine->InterruptScriptThread(SCRIPTTHREADID_ALL);
  }
}

std::string CAspParser::ErrorSummary() const {
  if (!errorText_.empty()) return errorSummary_.empty() ? "compile error in " + failedFile_ : errorSummary_;
  if (currentEngine_) return currentEngine_->errorSummary();
  return {};
}

std::string CAspParser::ErrorText() const {
  if (!errorText_.empty()) return errorText_;
  if (currentEngine_) return currentEngine_->errorText();
  return {};
}
