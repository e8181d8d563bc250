// The program text: VBScript line rules, code-page conversion, fragments and their
// line records.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestItemObject.h"
#include "TestScriptOwner.h"
#include "script/ScriptLineRules.h"
#include "support/TestScriptHost.h"

namespace {

struct RuleCase {
  const char* name;
  const char* fragment;
  const char* expected;
};

const RuleCase kRuleCases[] = {
    {"CommentAfterCode", "x = 1 // note\n", "x = 1 '/ note\r\n"},
    {"OnlyTheFirstSlashIsReplaced", "x = 1 /// a // b\n", "x = 1 '// a // b\r\n"},
    {"SlashesInsideAStringStay", "s = \"a//b\"\n", "s = \"a//b\"\r\n"},
    {"CommentAfterAString", "s = \"a//b\" // c\n", "s = \"a//b\" '/ c\r\n"},
    {"DoubledQuotesStayInsideTheString", "s = \"say \"\"//\"\" now\" // c\n", "s = \"say \"\"//\"\" now\" '/ c\r\n"},
    {"StringClosedAfterDoubledQuote", "s = \"\"\"\" // c\n", "s = \"\"\"\" '/ c\r\n"},
    {"UnclosedStringHidesTheSlashes", "s = \"a // b\n", "s = \"a // b\r\n"},
    {"CrLfAndBareLfBothEndInCrLf", "a\r\nb\nc\r\r\n", "a\r\nb\r\nc\r\n"},
    {"BlankLineAfterContinuation", "x = 1 + _\n\n   \t\n2\n", "x = 1 + _\r\n_\r\n_\r\n2\r\n"},
    {"ContinuationWithTrailingSpace", "x = 1 + _  \r\n\r\n2\n", "x = 1 + _  \r\n_\r\n2\r\n"},
    {"BlankLineWithoutContinuationStays", "x = 1\n\ny\n", "x = 1\r\n\r\ny\r\n"},
    {"ContinuationEndsAtTheNextCodeLine", "a _\nb\n\nc\n", "a _\r\nb\r\n\r\nc\r\n"},
    {"TextAfterTheLastLineFeedIsKept", "a // b\nc // d", "a '/ b\r\nc // d"},
    {"NoLineFeedAtAll", "x = 1 // note", "x = 1 // note"},
    {"Empty", "", ""},
};

class LineRuleTest : public testing::TestWithParam<RuleCase> {};

TEST_P(LineRuleTest, RewritesAsExpected) {
  const RuleCase& c = GetParam();
  std::string result = ApplyVBScriptLineRules(c.fragment);
  EXPECT_EQ(c.expected, result);
  std::string_view fragment = c.fragment;
  EXPECT_EQ(std::count(fragment.begin(), fragment.end(), '\n'), std::count(result.begin(), result.end(), '\n'));
}

INSTANTIATE_TEST_SUITE_P(Cases, LineRuleTest, testing::ValuesIn(kRuleCases),
                         [](const testing::TestParamInfo<RuleCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------------

class ProgramTextTest : public testing::Test {
 protected:
  TestScriptOwner owner_;
};

TEST_F(ProgramTextTest, VBScriptFragmentsAreRewrittenAndJScriptFragmentsAreNot) {
  EngineHolder vbs(kLanguageVBScript, kVBScriptClsid, &owner_);
  EngineHolder js(kLanguageJScript, kJScriptClsid, &owner_);
  EngineHolder jsEncoded(kLanguageJScriptEncoded, kJScriptClsid, &owner_);
  EngineHolder vbsEncoded(kLanguageVBScriptEncoded, kVBScriptClsid, &owner_);
  const char* text = "x = 1 // note\r\ny = _\n\nz";
  for (CScriptEngine* engine : {vbs.get(), js.get(), jsEncoded.get(), vbsEncoded.get()}) {
    engine->AddCode(0, 0, 3, text);
  }
  EXPECT_EQ(L"x = 1 '/ note\r\ny = _\r\n_\r\nz\r\n", vbs->AssembleProgram());
  EXPECT_EQ(L"x = 1 // note\r\ny = _\n\nz\r\n", js->AssembleProgram());
  EXPECT_EQ(js->AssembleProgram(), jsEncoded->AssembleProgram());
  EXPECT_EQ(js->AssembleProgram(), vbsEncoded->AssembleProgram());
}

TEST_F(ProgramTextTest, TextIsDecodedInTheOwnersCodePage) {
  const char gbk[] = "s = \"\xD6\xD0\xCE\xC4\"";           // "中文" in code page 936
  const char utf8[] = "s = \"\xE4\xB8\xAD\xE6\x96\x87\"";  // the same in UTF-8
  owner_.codePage = 936;
  EngineHolder a(kLanguageJScript, kJScriptClsid, &owner_);
  a->AddCode(0, 0, 0, gbk);
  owner_.codePage = 65001;
  a->AddCode(0, 1, 0, utf8);
  EXPECT_EQ(L"s = \"\u4E2D\u6587\"\r\ns = \"\u4E2D\u6587\"\r\n", a->AssembleProgram());
}

TEST_F(ProgramTextTest, ScriptBlocksFollowTheMainTextInFileOrder) {
  EngineHolder engine(kLanguageJScript, kJScriptClsid, &owner_);
  engine->AddScriptBlock(2, 0, 0, "two");
  engine->AddCode(0, 0, 0, "main1");
  engine->AddScriptBlock(1, 0, 0, "one-a");
  engine->AddCode(0, 5, 0, "main2");
  engine->AddScriptBlock(1, 9, 0, "one-b");
  EXPECT_EQ(L"main1\r\nmain2\r\none-a\r\none-b\r\ntwo\r\n", engine->AssembleProgram());
}

TEST_F(ProgramTextTest, EachFragmentOccupiesItsLineFeedsPlusOneLines) {
  owner_.fileNames = {"C:\\site\\a.asp", "C:\\site\\b.inc", "C:\\site\\c.inc"};
  EngineHolder engine(kLanguageVBScript, kVBScriptClsid, &owner_);
  engine->AddCode(0, 10, 2, "a\nb\nc");       // program lines 1-3
  engine->AddCode(1, 5, 0, "d");              // 4
  engine->AddScriptBlock(2, 0, 1, "e\r\nf");  // 7-8, after the main text
  engine->AddCode(0, 20, 1, "g\n");           // 5-6
  engine->AddScriptBlock(7, 3, 0, "h");       // 9: a file index outside the table
  struct Expected {
    int32_t programLine;
    bool mapped;
    const char* file;
    int32_t line;
  };
  const Expected expected[] = {
      {1, true, "C:\\site\\a.asp", 11},
      {3, true, "C:\\site\\a.asp", 13},
      {4, true, "C:\\site\\b.inc", 6},
      {5, true, "C:\\site\\a.asp", 21},
      {6, true, "C:\\site\\a.asp", 22},
      {7, true, "C:\\site\\c.inc", 1},
      {8, true, "C:\\site\\c.inc", 2},
      {9, false, "", 4},
      // Just past the end (an engine that reached it inside a block): the last line.
      {10, false, "", 4},
      {14, false, "", 5},
  };
  for (const Expected& e : expected) {
    std::string file = "stale";
    int32_t line = -1;
    EXPECT_EQ(e.mapped, engine->MapErrorLine(e.programLine, &file, &line)) << e.programLine;
    EXPECT_EQ(e.file, file) << e.programLine;
    EXPECT_EQ(e.line, line) << e.programLine;
  }
  // The program has exactly one line per recorded line.
  std::wstring program = engine->AssembleProgram();
  EXPECT_EQ(9, std::count(program.begin(), program.end(), L'\n'));
}

TEST_F(ProgramTextTest, ContinuationOverABlankLineRunsInRealVBScript) {
  CTestItemObject* store = new CTestItemObject;
  owner_.SetItem(L"store", store->GetUnknown());
  EngineHolder engine(kLanguageVBScript, kVBScriptClsid, &owner_);
  engine->AddCode(0, 0, 4, "x = 1 + _\n\n   \n2 // two\nstore.Item(\"x\") = x");
  ASSERT_TRUE(engine->Start());
  ASSERT_EQ(S_OK, engine->AddNamedItem(L"store", SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISPERSISTENT));
  EXPECT_TRUE(engine->RunProgram()) << engine->errorText();
  engine->Close();
  ASSERT_EQ(1u, store->values.count(L"x"));
  ScopedVariant text;
  ASSERT_EQ(S_OK, VariantChangeType(text.Receive(), store->values[L"x"].ptr(), 0, VT_BSTR));
  EXPECT_STREQ(L"3", V_BSTR(text.ptr()));
  store->Release();
}

}  // namespace
