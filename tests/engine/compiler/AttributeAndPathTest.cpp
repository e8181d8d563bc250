// Attribute lists of directives and elements, and virtual path normalisation.
#include <gtest/gtest.h>

#include "compiler/PathNormalization.h"
#include "compiler/YAttributeList.h"

namespace {

struct PathCase {
  const char* in;
  const char* out;
};

TEST(NormalizePath, CollapsesSeparatorsAndResolvesDotSegments) {
  const PathCase cases[] = {
      {"/a//b/./c/../d.inc", "\\a\\b\\d.inc"},
      {"/shop/a.inc", "\\shop\\a.inc"},
      {"\\shop\\\\a.inc", "\\shop\\a.inc"},
      {"/shop/", "\\shop\\"},
      {"/shop//", "\\shop\\"},
      {"/", "\\"},
      {"", ""},
      {"a.inc", "a.inc"},
      {"/a/b/../../c", "\\c"},
      {"/../x", "\\x"},  // never backs up before the first byte
      {"/../../x", "\\x"},
      {"../x", "\\x"},
      {"/a/./././b", "\\a\\b"},
      {"/a/...", "\\a\\..."},  // only "." and ".." are special
      {"/a/..b/c", "\\a\\..b\\c"},
      {"/a/b/..", "\\a"},
      {"/\xd6\xd0/\xce\xc4.asp", "\\\xd6\xd0\\\xce\xc4.asp"},  // double-byte names pass through
  };
  for (const PathCase& c : cases) {
    std::string path = c.in;
    NormalizePath(path);
    EXPECT_EQ(c.out, path) << "input: " << c.in;
  }
}

TEST(AttributeList, NamesIgnoreCaseAndTheFirstOccurrenceWins) {
  auto list = YAttributeList::Parse(" LANGUAGE=JScript runat = server  language=VBScript ");
  ASSERT_NE(nullptr, list.Value("language"));
  EXPECT_EQ("JScript", *list.Value("Language"));
  EXPECT_EQ("server", *list.Value("RUNAT"));
  EXPECT_EQ(2u, list.attributes().size());
}

TEST(AttributeList, QuotedAndUnquotedValues) {
  auto list = YAttributeList::Parse("file=\"a b.inc\" x='1\"2' y=plain z=\"\"");
  EXPECT_EQ("a b.inc", *list.Value("file"));
  EXPECT_EQ("1\"2", *list.Value("x"));
  EXPECT_EQ("plain", *list.Value("y"));
  EXPECT_EQ("", *list.Value("z"));
}

TEST(AttributeList, UnclosedQuoteEndsTheListKeepingWhatCameBefore) {
  auto list = YAttributeList::Parse("id=a progid=\"Scripting.Dictionary scope=page");
  EXPECT_EQ("a", *list.Value("id"));
  EXPECT_EQ(nullptr, list.Find("progid"));
  EXPECT_EQ(nullptr, list.Find("scope"));
}

TEST(AttributeList, TrailingNameWithoutValueKeepsItsWhiteSpace) {
  auto list = YAttributeList::Parse("a=1 language ");
  const auto* attribute = list.Find("language ");
  ASSERT_NE(nullptr, attribute);
  EXPECT_FALSE(attribute->hasValue);
  EXPECT_EQ(nullptr, list.Value("language "));  // valueless counts as absent for values
  EXPECT_EQ(nullptr, list.Find("language"));
  auto bare = YAttributeList::Parse("language");
  ASSERT_NE(nullptr, bare.Find("language"));
  EXPECT_FALSE(bare.Find("language")->hasValue);
}

TEST(AttributeList, EqualsAtTheEndGivesAnEmptyValue) {
  auto list = YAttributeList::Parse("codepage=   ");
  ASSERT_NE(nullptr, list.Value("codepage"));
  EXPECT_EQ("", *list.Value("codepage"));
  EXPECT_TRUE(YAttributeList::Parse("   ").attributes().empty());
  EXPECT_TRUE(YAttributeList::Parse("").attributes().empty());
}

TEST(AttributeList, NameBeforeEqualsMayContainWhiteSpaceOfAValuelessPredecessor) {
  // Only the last attribute can lack a value: "a b=1" is one name "a b".
  auto list = YAttributeList::Parse("a b=1");
  ASSERT_EQ(1u, list.attributes().size());
  EXPECT_EQ("a b", list.attributes()[0].name);
}

}  // namespace
