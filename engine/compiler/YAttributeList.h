// YAttributeList: the name=value list of a page directive, an include directive or a
// server-side element start tag. Names compare without regard to ASCII case and the
// first occurrence of a name wins.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class YAttributeList {
 public:
  struct Attribute {
    std::string name;
    std::string value;
    bool hasValue = false;  // false only for a trailing name without "="
  };

  // Parses text:
  //   - white space separates attributes; "name = value" may have white space around "=";
  //   - a value in double or single quotes runs to the next identical quote; a value
  //     whose closing quote is missing ends the list (the attributes before it stay);
  //   - an unquoted value runs to the next white space;
  //   - the text after the last "=" that has no "=" of its own is one valueless name,
  //     trailing white space kept.
  static YAttributeList Parse(std::string_view text);

  // The attribute of that name, valueless ones included; null when absent.
  const Attribute* Find(std::string_view name) const;
  // The value of that name; null when absent or valueless.
  const std::string* Value(std::string_view name) const;

  const std::vector<Attribute>& attributes() const { return attributes_; }

 private:
  void Add(std::string_view name, std::string_view value, bool hasValue);
  std::vector<Attribute> attributes_;
};

// White space as the C locale knows it: space, \t, \n, \v, \f, \r.
inline bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
