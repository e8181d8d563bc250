#include "FakeRequestContext.h"

#include <cstring>
#include <string_view>

int SplitHeaderLines(char* text, int length, YHttpProtocolParserHook* hook) {
  hook->onBegin();
  char* end = text + length;
  char* line = text;
  while (line < end) {
    char* feed = static_cast<char*>(memchr(line, '\n', static_cast<size_t>(end - line)));
    if (!feed) return 2;
    *feed = '\0';
    if (char* cr = strchr(line, '\r')) *cr = '\0';
    if (char* colon = strchr(line, ':')) {
      *colon = '\0';
      char* value = colon + 1;
      while (*value == ' ' || *value == '\t') ++value;
      int valueLength = static_cast<int>(strlen(value));
      if (hook->onHeader(line, value, &valueLength, false) == YHttpProtocolParserHook::kAbort) return 0;
    }
    line = feed + 1;
  }
  hook->onEnd();
  return 1;
}
