#include "YAttributeList.h"

#include "automation/TextConversion.h"

YAttributeList YAttributeList::Parse(std::string_view text) {
  YAttributeList list;
  size_t pos = 0;
  const size_t end = text.size();
  for (;;) {
    while (pos < end && IsCSpace(text[pos])) ++pos;
    if (pos >= end) break;
    size_t equals = text.find('=', pos);
    if (equals == std::string_view::npos) {
      list.Add(text.substr(pos), {}, false);
      break;
    }
    size_t nameEnd = equals;
    while (nameEnd > pos && IsCSpace(text[nameEnd - 1])) --nameEnd;
    std::string_view name = text.substr(pos, nameEnd - pos);

    pos = equals + 1;
    while (pos < end && IsCSpace(text[pos])) ++pos;
    if (pos >= end) {
      list.Add(name, {}, true);
      break;
    }
    if (text[pos] == '"' || text[pos] == '\'') {
      size_t close = text.find(text[pos], pos + 1);
      if (close == std::string_view::npos) break;  // unclosed quote: the list ends here
      list.Add(name, text.substr(pos + 1, close - pos - 1), true);
      pos = close + 1;
    } else {
      size_t valueEnd = pos;
      while (valueEnd < end && !IsCSpace(text[valueEnd])) ++valueEnd;
      list.Add(name, text.substr(pos, valueEnd - pos), true);
      pos = valueEnd < end ? valueEnd + 1 : end;
    }
  }
  return list;
}

void YAttributeList::Add(std::string_view name, std::string_view value, bool hasValue) {
  if (Find(name)) return;  // the first occurrence wins
  attributes_.push_back({std::string(name), std::string(value), hasValue});
}

const YAttributeList::Attribute* YAttributeList::Find(std::string_view name) const {
  for (const Attribute& attribute : attributes_) {
    if (EqualsAsciiNoCase(attribute.name, name)) return &attribute;
  }
  return nullptr;
}

const std::string* YAttributeList::Value(std::string_view name) const {
  const Attribute* attribute = Find(name);
  return attribute && attribute->hasValue ? &attribute->value : nullptr;
}
