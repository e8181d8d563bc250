#include "host/YConsole.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

YConsole& YConsole::instance() {
  static YConsole console;
  return console;
}

int YConsole::writeRaw(const void* buffer, uint32_t length) {
  if (length > INT32_MAX) length = INT32_MAX;
  char* text = static_cast<char*>(std::malloc(static_cast<size_t>(length) + 1));
  if (!text) return -1;
  std::memcpy(text, buffer, length);
  text[length] = '\0';
  std::printf("%s", text);
  std::free(text);
  return static_cast<int>(length);
}
