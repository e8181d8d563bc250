// The scripting languages a page may use: the names a page gives them, their numbers
// and the class identifiers of the platform engines.
#pragma once

#include <windows.h>

#include <cstdint>

struct YLanguageEntry {
  int32_t number;  // 0 VBScript, 1 JScript, 3 VBScript (encoded), 4 JScript (encoded)
  CLSID classId;   // the platform engine
};

// The language of a name, matched without regard to case: "vbscript", "jscript",
// "javascript", "vbscript.encode", "jscript.encode". No name (null) is VBScript. Null
// for any other name.
const YLanguageEntry* FindScriptLanguage(const char* name);
