// AsciiNoCaseLess: the key order of every request collection. Bytes compare as unsigned
// values after mapping A-Z to a-z; nothing else is folded, so bytes 128-255 compare as
// they are and keys that differ only in ASCII case are the same key.
#pragma once

#include <string_view>

#include "automation/TextConversion.h"

struct AsciiNoCaseLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return CompareAsciiNoCase(a, b) < 0; }
};
