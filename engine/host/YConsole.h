// YConsole: a YWStream onto the process's standard output. One instance exists.
#pragma once

#include "host/YWStream.h"

class YConsole : public YWStream {
 public:
  static YConsole& instance();

  // Prints the bytes as text (up to an embedded NUL); answers length, or -1 when the
  // temporary copy cannot be made.
  int writeRaw(const void* buffer, uint32_t length) override;
};
