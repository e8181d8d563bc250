// YCookieData: the state of one cookie, apart from its script face (CCookie): a single
// value or a set of sub-keys, attributes, and the changed mark that decides whether the
// cookie goes out as a "Set-Cookie" line.
#pragma once

#include <string>
#include <string_view>

#include "objects/YHashedStringMap.h"

struct YCookieData {
  YHashedStringMap keys;
  bool changed = true;
  std::string path;  // given through the Path property; "/" when the line is built
  std::string name;
  std::string value;  // the single value, used when keys is empty
  YHashedStringMap attributes;

  // The single value: sub-keys dropped.
  void SetValue(std::string_view text);
  // One sub-key: the single value dropped.
  void SetKey(std::string_view key, std::string_view text);
  // A "$" attribute of a request cookie (name without the "$"); only when both parts
  // are non-empty.
  void SetRequestAttribute(std::string_view attribute, std::string_view text);
  // Copies a parsed template in: name, value and changed mark replaced, its attributes
  // and sub-keys set over the ones present (others stay). The path is not copied.
  void Merge(const YCookieData& from);
  // Back to a fresh template: name, value, attributes and sub-keys emptied, changed.
  void Reset();
};
