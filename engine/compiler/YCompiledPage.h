// YCompiledPage: what compiling a page produced, kept to run the page again without
// reading or scanning its files: each engine's program texts with their line spans, the
// HTML block table, the file-name table, the default engine and the transaction flag,
// the files it was built from with the size and write time each had, and, in order,
// what the compile did to its context (code page settings, <object> elements), which
// every later run repeats. Immutable once built; shared between threads.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "compiler/YHtmlBlock.h"
#include "script/CScriptEngine.h"

// The size and last write time a file had when it was read.
struct YFileStamp {
  std::string path;
  uint64_t size = 0;
  uint64_t writeTime = 0;  // FILETIME as one number

  // The stamp of a file from its attributes.
  static YFileStamp From(const std::string& path, const WIN32_FILE_ATTRIBUTE_DATA& attributes);
  bool operator==(const YFileStamp& other) const = default;
};

struct YCompiledPage {
  struct Engine {
    int32_t languageId = 0;
    CLSID classId{};
    CScriptEngine::Program program;
  };
  // One thing the compile did to its context.
  struct ContextEffect {
    enum class Kind { kByteOrderMarkCodePage, kCodePageDirective, kObjectElement } kind;
    int codePage = 0;           // kCodePageDirective
    std::string attributeText;  // kObjectElement: the element's attributes
  };

  std::vector<Engine> engines;
  int32_t defaultEngine = -1;  // index into engines
  bool blocksFlushed = false;
  bool transactionRequired = false;
  std::vector<YHtmlBlock> htmlBlocks;
  std::vector<std::string> fileNames;
  std::vector<ContextEffect> effects;
  std::vector<YFileStamp> files;  // the page and every file it included
  size_t bytes = 0;               // memory it holds, roughly: what the cache counts

  // Adds up bytes from the texts held.
  void CountBytes();
};
