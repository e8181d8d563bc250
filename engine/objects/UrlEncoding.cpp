#include "UrlEncoding.h"

#include <algorithm>
#include <string>

#include "objects/YDictionary.h"
#include "objects/YLeadByteTable.h"
#include "objects/YUrlValue.h"

namespace {

constexpr wchar_t kWideReplacement = 0xFFFD;
constexpr char kNarrowReplacement = '?';

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Collects the decoded characters; stops taking them after a NUL.
template <class Text>
class Output {
 public:
  // False once the value has ended.
  bool Put(unsigned value) {
    if (value == 0) return false;
    text_.push_back(static_cast<typename Text::value_type>(value));
    return true;
  }
  Text Take() { return std::move(text_); }

 private:
  Text text_;
};

template <class Text>
Text Decode(std::string_view text, bool wide) {
  text = text.substr(0, text.find('\0'));
  const unsigned replacement = wide ? kWideReplacement : static_cast<unsigned char>(kNarrowReplacement);
  Output<Text> out;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const char c = text[i];
    unsigned produced;
    if (c == '+') {
      produced = ' ';
      i += 1;
    } else if (c == '%' && i + 1 < n && (text[i + 1] == 'u' || HexValue(text[i + 1]) >= 0)) {
      if (text[i + 1] == 'u' && wide) {
        if (n - i < 6) break;  // too short for "%uhhhh": the rest is dropped
        unsigned value = 0;
        bool valid = true;
        for (size_t k = i + 2; k < i + 6; ++k) {
          int digit = HexValue(text[k]);
          valid = valid && digit >= 0;
          value = value * 16 + static_cast<unsigned>(digit < 0 ? 0 : digit);
        }
        produced = valid ? value : replacement;
        i += 6;
      } else if (text[i + 1] != 'u' && i + 2 < n && HexValue(text[i + 2]) >= 0) {
        produced = static_cast<unsigned>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
        i += 3;
      } else {
        produced = replacement;
        i += std::min<size_t>(3, n - i);
      }
    } else {
      produced = static_cast<unsigned char>(c);
      i += 1;
    }
    if (!out.Put(produced)) break;
  }
  return out.Take();
}

std::string DecodeName(std::string_view name) { return Decode<std::string>(name, false); }

YUrlText DecodeValue(std::string_view value) { return UrlDecode(value, HasWideEscape(value)); }

}  // namespace

YUrlText UrlDecode(std::string_view text, bool wide) {
  if (wide) return Decode<std::wstring>(text, true);
  return Decode<std::string>(text, false);
}

bool HasWideEscape(std::string_view value) { return value.find("%u") != std::string_view::npos; }

void ParseQueryString(const char* text, YDictionary& collection, const YLeadByteTable& leadBytes) {
  collection.SetRawText(text ? text : "");
  if (!text) return;
  const std::string_view query(text);
  size_t start = 0;
  while (true) {
    size_t end = leadBytes.Find(query, '&', start);
    std::string_view segment = query.substr(start, end == std::string_view::npos ? end : end - start);
    size_t equals = segment.find('=');
    if (!segment.empty() && equals != std::string_view::npos) {
      collection.Add(DecodeName(segment.substr(0, equals)), DecodeValue(segment.substr(equals + 1)));
    } else {
      collection.Add(DecodeName(segment), std::string());
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

void ParseQueryString(const char* text, YDictionary& collection) {
  ParseQueryString(text, collection, YLeadByteTable::System());
}

void ParseFormBody(std::string_view body, YDictionary& collection) {
  std::string_view rest = body.substr(0, body.find_first_of(std::string_view("\r\n\0", 3)));
  YUrlValue root;
  while (!rest.empty()) {
    size_t amp = rest.find('&');
    std::string_view segment = rest.substr(0, amp);
    rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
    size_t equals = segment.find('=');
    if (equals == std::string_view::npos) {
      root.Add(segment, {});
    } else {
      root.Add(segment.substr(0, equals), segment.substr(equals + 1));
    }
  }
  for (const auto& [name, value] : root.fields()) collection.Add(DecodeName(name), DecodeValue(value));
}
