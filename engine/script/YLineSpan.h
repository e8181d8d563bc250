// YLineSpan: where one fragment of an engine's program came from. A program is the
// concatenation of its fragments; walking the spans in order maps a program line back
// to a file and a line in it.
#pragma once

#include <cstdint>

struct YLineSpan {
  int32_t fileIndex = 0;  // index into the owner's file-name table
  int32_t startLine = 0;  // line feeds before the fragment in its file
  int32_t lineCount = 0;  // program lines the fragment occupies: its line feeds plus one
};
