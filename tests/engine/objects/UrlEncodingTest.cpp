// The URL decoder and the query-string and form-body parsers, as pure functions.
#include <gtest/gtest.h>

#include <random>

#include "objects/UrlEncoding.h"
#include "objects/YDicVal.h"
#include "objects/YDictionary.h"
#include "objects/YLeadByteTable.h"
#include "objects/YUrlValue.h"

namespace {

using Values = std::vector<YUrlText>;
using Entries = std::vector<std::pair<std::string, Values>>;

Entries EntriesOf(const YDictionary& dict) {
  Entries entries;
  for (const std::string& key : dict.Keys()) {
    YDicVal* value = dict.Find(key);
    Values values;
    for (size_t i = 0; i < value->EntryCount(); ++i) values.push_back(value->Entry(i));
    entries.emplace_back(key, values);
  }
  return entries;
}

Entries ParseQuery(const char* text) {
  auto* dict = new YDictionary;
  ParseQueryString(text, *dict);
  Entries entries = EntriesOf(*dict);
  dict->Release();
  return entries;
}

Entries ParseBody(std::string_view body) {
  auto* dict = new YDictionary;
  ParseFormBody(body, *dict);
  Entries entries = EntriesOf(*dict);
  dict->Release();
  return entries;
}

YUrlText N(const char* text) { return std::string(text); }
YUrlText W(const wchar_t* text) { return std::wstring(text); }

struct DecodeCase {
  const char* text;
  bool wide;
  YUrlText expected;
};

TEST(UrlDecodeTest, DecodesAsTheFormRulesSay) {
  const DecodeCase cases[] = {
      {"a+b%20c", false, N("a b c")},
      {"%E4%B8%AD", false, N("\xE4\xB8\xAD")},
      {"%u4E2D%41", true,
       W(L"\x4E2D"
         L"A")},
      {"%41%u4E2D", true, W(L"A\x4E2D")},
      {"%E4%u0041", true,
       W(L"\x00E4"
         L"A")},
      {"%u12", true, W(L"")},
      {"ab%u12", true, W(L"ab")},
      {"ab%u123", true, W(L"ab")},
      {"%u1234x", true, W(L"\x1234x")},
      {"100%", false, N("100%")},
      {"100%", true, W(L"100%")},
      {"%zz", false, N("%zz")},
      {"%U4E2D", false, N("%U4E2D")},
      {"%", false, N("%")},
      {"\xD6\xD0", true, W(L"\x00D6\x00D0")},  // bytes become characters of their value
      {"a%00b", false, N("a")},
      {"a%u0000b", true, W(L"a")},
      {"%4", false, N("?")},  // malformed: one replacement character
      {"%4z1", false, N("?1")},
      {"%u4E", false, N("?E")},  // "%u" is no escape in narrow text
      {"%uzzzz!", true, W(L"\xFFFD!")},
      {"%4z", true, W(L"\xFFFD")},
      {"", false, N("")},
  };
  for (const DecodeCase& c : cases) EXPECT_EQ(c.expected, UrlDecode(c.text, c.wide)) << c.text;
}

TEST(UrlDecodeTest, MalformedEscapesNeverRunPastTheTextAndConsumeAsStated) {
  // Random texts made of escape material; the decoder must give one character per
  // character or escape read, never read past the end, and stop where it says.
  std::mt19937 random(7);
  const char alphabet[] = {'%', 'u', '0', '9', 'a', 'F', 'g', '+', 'x'};
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 12, ' ');
    for (char& c : text) c = alphabet[random() % sizeof alphabet];
    for (bool wide : {false, true}) {
      size_t expected = 0;
      for (size_t i = 0; i < text.size();) {
        bool escape = text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 'u' || isxdigit(text[i + 1]));
        if (escape && text[i + 1] == 'u' && wide) {
          if (text.size() - i < 6) break;
          i += 6;
        } else if (escape) {
          i += std::min<size_t>(3, text.size() - i);
        } else {
          i += 1;
        }
        ++expected;
      }
      YUrlText out = UrlDecode(text, wide);
      size_t produced = wide ? std::get<std::wstring>(out).size() : std::get<std::string>(out).size();
      if (produced != expected) {
        // Only a decoded NUL may end the value sooner.
        ASSERT_LT(produced, expected) << text;
        ASSERT_TRUE(text.find("%00") != std::string::npos || text.find("%u0000") != std::string::npos) << text;
      }
    }
  }
}

TEST(ParseQueryStringTest, SplitsDecodesAndKeepsEverySegment) {
  struct Case {
    const char* query;
    Entries expected;
  } cases[] = {
      {"a=1&a=2&b", {{"a", {N("1"), N("2")}}, {"b", {N("")}}}},
      {"", {{"", {N("")}}}},
      {"=5", {{"", {N("5")}}}},
      {"a=1&&b=2", {{"", {N("")}}, {"a", {N("1")}}, {"b", {N("2")}}}},
      {"a=1&", {{"", {N("")}}, {"a", {N("1")}}}},
      {"x=%u4E2D%41",
       {{"x",
         {W(L"\x4E2D"
            L"A")}}}},
      {"x=%E4%B8%AD", {{"x", {N("\xE4\xB8\xAD")}}}},
      {"x=a=b", {{"x", {N("a=b")}}}},
      {"A=1&a=%u0041", {{"A", {N("1"), W(L"A")}}}},
      // Names are decoded narrow even when they hold "%u".
      {"n%u0041=1", {{"n?041", {N("1")}}}},
      {"a+b=c+d", {{"a b", {N("c d")}}}},
      // A lead byte of the system code page (936 here) takes the next byte with it.
      {"a=\x81&b=2", {{"a", {N("\x81&b=2")}}}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, ParseQuery(c.query)) << c.query;
}

TEST(ParseQueryStringTest, NullTextAddsNothingAndRawTextIsKept) {
  auto* dict = new YDictionary;
  ParseQueryString(nullptr, *dict);
  EXPECT_EQ(0, dict->Count());
  EXPECT_EQ("", dict->RawText());
  ParseQueryString("a=%41", *dict);
  EXPECT_EQ("a=%41", dict->RawText());
  dict->Release();
}

TEST(ParseQueryStringTest, SeparatorsAreFoundByWholeCharactersOfTheGivenCodePage) {
  auto* dict = new YDictionary;
  ParseQueryString("a=\x81&b=2", *dict, YLeadByteTable(1252));  // no lead bytes in 1252
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), dict->Keys());
  dict->Release();
}

TEST(ParseFormBodyTest, BodiesJoinRepeatedFieldsAndDropSubForms) {
  struct Case {
    const char* body;
    Entries expected;
  } cases[] = {
      {"x=1&x=2", {{"x", {N("1, 2")}}}},
      {"A=1&a=2", {{"A", {N("1"), N("2")}}}},
      {"a=1&&b=2", {{"", {N("")}}, {"a", {N("1")}}, {"b", {N("2")}}}},
      {"a=1&", {{"a", {N("1")}}}},
      {"a=1\r\nb=2", {{"a", {N("1")}}}},
      {"a=1\nb=2", {{"a", {N("1")}}}},
      {"flag&b=%u4E2D", {{"b", {W(L"\x4E2D")}}, {"flag", {N("")}}}},
      {"x=%41&x=%u0042", {{"x", {W(L"A, B")}}}},  // joined raw, then decoded wide
      {"begin_sub_form=s&a=1&end_sub_form=&b=2", {{"b", {N("2")}}}},
      {"begin_sub_form=s&begin_sub_form=t&a=1&end_sub_form=&c=3&end_sub_form=&b=2", {{"b", {N("2")}}}},
      {"end_sub_form=&a=1", {{"a", {N("1")}}}},
      {"begin_sub_form=s&a=1", {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, ParseBody(c.body)) << c.body;
}

TEST(YUrlValueTest, SubFormsOfOneNameChainAndNestingIsBounded) {
  YUrlValue root;
  EXPECT_TRUE(root.Add("begin_sub_form", "s"));
  EXPECT_TRUE(root.Add("a", "1"));
  EXPECT_TRUE(root.Add("end_sub_form", ""));
  EXPECT_FALSE(root.Add("end_sub_form", ""));
  EXPECT_TRUE(root.Add("begin_sub_form", "s"));
  EXPECT_TRUE(root.Add("a", "2"));
  const YUrlValue* first = root.SubForm("s");
  ASSERT_NE(nullptr, first);
  EXPECT_EQ("1", first->fields().at("a"));
  ASSERT_NE(nullptr, first->next());
  EXPECT_EQ("2", first->next()->fields().at("a"));

  // Sections nest kMaxSubFormDepth deep; a deeper "begin_sub_form" is a plain field, so
  // one "end_sub_form" fewer than the begins closes every section.
  auto nested = [](int begins, int ends) {
    std::string body;
    for (int i = 0; i < begins; ++i) body += "begin_sub_form=s&";
    for (int i = 0; i < ends; ++i) body += "end_sub_form=&";
    return body + "b=2";
  };
  const int depth = YUrlValue::kMaxSubFormDepth;
  EXPECT_EQ(Entries{}, ParseBody(nested(depth, depth - 1)));
  EXPECT_EQ((Entries{{"b", {N("2")}}}), ParseBody(nested(depth + 1, depth)));

  // A body that opens sections without end takes bounded depth and stack.
  std::string body;
  for (int i = 0; i < 200000; ++i) body += "begin_sub_form=s&";
  body += "a=1";
  EXPECT_EQ(Entries{}, ParseBody(body));
}

}  // namespace
