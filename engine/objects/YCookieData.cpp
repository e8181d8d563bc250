#include "YCookieData.h"

void YCookieData::SetValue(std::string_view text) {
  keys.Clear();
  value.assign(text);
  changed = true;
}

void YCookieData::SetKey(std::string_view key, std::string_view text) {
  value.clear();
  keys.Set(key, text);
  changed = true;
}

void YCookieData::SetRequestAttribute(std::string_view attribute, std::string_view text) {
  if (attribute.empty() || text.empty()) return;
  attributes.Set(attribute, text);
  changed = true;
}

void YCookieData::Merge(const YCookieData& from) {
  name = from.name;
  value = from.value;
  from.attributes.ForEach([this](const std::string& n, const std::string& t) { attributes.Set(n, t); });
  from.keys.ForEach([this](const std::string& n, const std::string& t) { keys.Set(n, t); });
  changed = from.changed;
}

void YCookieData::Reset() {
  name.clear();
  value.clear();
  attributes.Clear();
  keys.Clear();
  changed = true;
}
