// YUrlValue: the tree a form body is parsed into before its fields reach Request.Form.
// Fields and sub-form names are raw, undecoded bytes in plain byte order. A field named
// "begin_sub_form" opens a sub-form named by its value (sections nest); "end_sub_form"
// closes the innermost open one. A repeated field's raw values are joined with ", ".
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

class YUrlValue {
 public:
  // Sections nest at most this deep; a deeper "begin_sub_form" is kept as an ordinary
  // field of the innermost section, so a hostile body cannot exhaust the stack.
  static constexpr int kMaxSubFormDepth = 64;

  YUrlValue() = default;
  YUrlValue(const YUrlValue&) = delete;
  YUrlValue& operator=(const YUrlValue&) = delete;
  virtual ~YUrlValue();

  // True when the pair was taken at this level or below; false for an "end_sub_form"
  // that closed nothing.
  bool Add(std::string_view name, std::string_view value);

  const std::map<std::string, std::string, std::less<>>& fields() const { return fields_; }
  // The first sub-form opened under name, or null; later ones hang off its next().
  const YUrlValue* SubForm(std::string_view name) const;
  const YUrlValue* next() const { return next_.get(); }

 private:
  std::map<std::string, std::string, std::less<>> fields_;
  std::map<std::string, std::unique_ptr<YUrlValue>, std::less<>> subForms_;
  std::unique_ptr<YUrlValue> next_;
  YUrlValue* openChild_ = nullptr;
  int depth_ = 0;
};
