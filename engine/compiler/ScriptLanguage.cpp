#include "compiler/ScriptLanguage.h"

#include "automation/TextConversion.h"

namespace {

const YLanguageEntry kVBScript = {0, {0xB54F3741, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}}};
const YLanguageEntry kJScript = {1, {0xF414C260, 0x6AC0, 0x11CF, {0xB6, 0xD1, 0x00, 0xAA, 0x00, 0xBB, 0xBB, 0x58}}};
const YLanguageEntry kVBScriptEncode = {3,
                                        {0xB54F3743, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}}};
const YLanguageEntry kJScriptEncode = {4,
                                       {0xF414C262, 0x6AC0, 0x11CF, {0xB6, 0xD1, 0x00, 0xAA, 0x00, 0xBB, 0xBB, 0x58}}};

struct NamedLanguage {
  const char* name;
  const YLanguageEntry* language;
};

const NamedLanguage kNames[] = {
    {"vbscript", &kVBScript},
    {"jscript", &kJScript},
    {"javascript", &kJScript},
    {"vbscript.encode", &kVBScriptEncode},
    {"jscript.encode", &kJScriptEncode},
};

}  // namespace

const YLanguageEntry* FindScriptLanguage(const char* name) {
  if (!name) return &kVBScript;
  for (const NamedLanguage& entry : kNames) {
    if (EqualsAsciiNoCase(name, entry.name)) return entry.language;
  }
  return nullptr;
}
