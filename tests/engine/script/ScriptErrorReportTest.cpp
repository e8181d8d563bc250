// Script errors become the HTML error report, with the file name and source line the
// failing program line came from. Runtime errors are raised by a host object, whose
// code, source and description the engines pass through unchanged; syntax errors come
// from the engines themselves, whose texts are localised (only their codes and
// positions are asserted exactly).
#include <gtest/gtest.h>

#include <regex>

#include "support/DoubleScriptEngine.h"
#include "TestItemObject.h"
#include "TestScriptOwner.h"
#include "support/TestScriptHost.h"
#include "script/ScriptErrorText.h"

namespace {

class ErrorReportTest : public testing::Test {
 protected:
  void SetUp() override {
    owner_.fileNames = {"C:\\site\\a.asp", "C:\\site\\inc.asp"};
    object_ = new CTestItemObject;
    owner_.SetItem(L"obj", object_->GetUnknown());
  }
  void TearDown() override { object_->Release(); }

  // Starts, gives the engine "obj" and runs; the run is expected to fail.
  void RunFailing(CScriptEngine* engine) {
    ASSERT_TRUE(engine->Start()) << engine->errorText();
    ASSERT_EQ(S_OK, engine->AddNamedItem(L"obj", SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISPERSISTENT));
    EXPECT_FALSE(engine->RunProgram());
    EXPECT_EQ(E_FAIL, engine->lastError());
    engine->Close();
  }

  TestScriptOwner owner_;
  CTestItemObject* object_ = nullptr;
};

// Runtime errors raised by a host object: the engines pass its code, source and
// description through unchanged, so the whole report is known.
struct RuntimeCase {
  const char* name;
  int32_t language;
  bool inScriptBlock;
  const char* expected;
};

const RuntimeCase kRuntimeCases[] = {
    {"VBScriptInAFragment", kLanguageVBScript, false,
     "<p>Tester error '800a0035'</p><p>boom</p><p>C:\\site\\a.asp,line 13</p>"},
    {"VBScriptInAScriptBlock", kLanguageVBScript, true,
     "<p>Tester error '800a0035'</p><p>boom</p><p>C:\\site\\inc.asp,line 22</p>"},
    {"JScriptInAFragment", kLanguageJScript, false,
     "<p>Tester error '800a0035'</p><p>boom</p><p>C:\\site\\a.asp,line 13</p>"},
    {"JScriptInAScriptBlock", kLanguageJScript, true,
     "<p>Tester error '800a0035'</p><p>boom</p><p>C:\\site\\inc.asp,line 22</p>"},
};

class RuntimeErrorReportTest : public ErrorReportTest, public testing::WithParamInterface<RuntimeCase> {};

TEST_P(RuntimeErrorReportTest, ReportsTheMappedLine) {
  const RuntimeCase& c = GetParam();
  const bool vbs = c.language == kLanguageVBScript;
  EngineHolder engine(c.language, vbs ? kVBScriptClsid : kJScriptClsid, &owner_);
  const std::string good = vbs ? "a = 2" : "var a = 2;";
  const std::string fail = vbs ? "obj.Fail &H800A0035" : "obj.Fail(0x800A0035 | 0);";
  if (c.inScriptBlock) {
    engine->AddCode(0, 0, 0, good);                        // program line 1
    engine->AddScriptBlock(1, 20, 1, good + "\n" + fail);  // 2-3: line 22 of the file
  } else {
    engine->AddCode(0, 0, 1, good + "\n");                        // 1-2
    engine->AddCode(0, 10, 2, good + "\n" + good + "\n" + fail);  // 3-5: line 13 of the file
  }
  RunFailing(engine.get());
  EXPECT_EQ(c.expected, engine->errorText());
}

INSTANTIATE_TEST_SUITE_P(Cases, RuntimeErrorReportTest, testing::ValuesIn(kRuntimeCases),
                         [](const testing::TestParamInfo<RuntimeCase>& info) { return info.param.name; });

// Syntax errors in the engines' own words: Wine's VBScript reports E_FAIL without a
// description, shown as the language's syntax error (1002), and no source line text, so
// its report has no caret block; JScript gives the line text, with the carriage return
// that ends the program line.
struct SyntaxCase {
  const char* name;
  int32_t language;
  bool inScriptBlock;
  const char* expected;  // a regular expression: the engines' texts are localised
};

const SyntaxCase kSyntaxCases[] = {
    {"VBScriptInAFragment", kLanguageVBScript, false,
     "<p>[^<]+ error '800a03ea'</p><p>Syntax error</p><p>C:\\\\site\\\\a\\.asp,line 9</p>"},
    {"VBScriptInAScriptBlock", kLanguageVBScript, true,
     "<p>[^<]+ error '800a03ea'</p><p>Syntax error</p><p>C:\\\\site\\\\inc\\.asp,line 23</p>"},
    {"JScriptInAFragment", kLanguageJScript, false,
     "<p>[^<]+ error '800a03ea'</p><p>[^<]+</p><p>C:\\\\site\\\\a\\.asp,line 9</p>"
     "<p><pre>var z = \\(1;\r\r\n-{10}\\^</pre></p>"},
    {"JScriptInAScriptBlock", kLanguageJScript, true,
     "<p>[^<]+ error '800a03ea'</p><p>[^<]+</p><p>C:\\\\site\\\\inc\\.asp,line 23</p>"
     "<p><pre>var z = \\(1;\r\r\n-{10}\\^</pre></p>"},
};

class SyntaxErrorReportTest : public ErrorReportTest, public testing::WithParamInterface<SyntaxCase> {};

TEST_P(SyntaxErrorReportTest, ReportsTheMappedLine) {
  const SyntaxCase& c = GetParam();
  const bool vbs = c.language == kLanguageVBScript;
  EngineHolder engine(c.language, vbs ? kVBScriptClsid : kJScriptClsid, &owner_);
  const std::string good = vbs ? "y = 2" : "var y = 2;";
  const std::string bad = vbs ? "z = (1" : "var z = (1;";
  if (c.inScriptBlock) {
    engine->AddCode(0, 3, 1, good + "\n");                  // program lines 1-2
    engine->AddScriptBlock(1, 20, 2, good + "\n\n" + bad);  // 3-5: line 23 of the file
  } else {
    engine->AddCode(0, 0, 0, good);               // 1
    engine->AddCode(0, 7, 1, good + "\n" + bad);  // 2-3: line 9 of the file
  }
  RunFailing(engine.get());
  EXPECT_TRUE(std::regex_match(engine->errorText(), std::regex(c.expected))) << engine->errorText();
}

INSTANTIATE_TEST_SUITE_P(Cases, SyntaxErrorReportTest, testing::ValuesIn(kSyntaxCases),
                         [](const testing::TestParamInfo<SyntaxCase>& info) { return info.param.name; });

struct DoubleCase {
  const char* name;
  const char* raise;  // the double's statement, on program line 2 (0-based line 1)
  const char* expected;
};

const DoubleCase kDoubleCases[] = {
    {"StatusCodeZeroShowsTheErrorCode", "raise 1000 1 3",
     "<p>Double error '3e8'</p><p>raised</p><p>C:\\site\\a.asp,line 6</p><p><pre>raise here\r\n---^</pre></p>"},
    {"CaretStaysWithinTheLine", "raise 65535 1 99",
     "<p>Double error 'ffff'</p><p>raised</p><p>C:\\site\\a.asp,line 6</p><p><pre>raise here\r\n----------^"
     "</pre></p>"},
    {"LineBeyondTheProgramHasNoFileName", "raise 5 40 0",
     "<p>Double error '5'</p><p>raised</p><p>,line 39</p><p><pre>raise here\r\n^</pre></p>"},
};

class DoubleErrorReportTest : public ErrorReportTest, public testing::WithParamInterface<DoubleCase> {
 protected:
  void SetUp() override {
    ErrorReportTest::SetUp();
    RegisterDoubleEngine();
    ResetDoubleLog();
  }
};

// Wine's engines always report a status code; the test double reports status code 0.
TEST_P(DoubleErrorReportTest, TestDoubleEngineReport) {
  EngineHolder engine(kLanguageVBScript, kDoubleEngineClsid, &owner_);
  engine->AddCode(0, 4, 1, (std::string("a\n") + GetParam().raise).c_str());
  RunFailing(engine.get());
  EXPECT_EQ(GetParam().expected, engine->errorText());
}

INSTANTIATE_TEST_SUITE_P(Cases, DoubleErrorReportTest, testing::ValuesIn(kDoubleCases),
                         [](const testing::TestParamInfo<DoubleCase>& info) { return info.param.name; });

// Wine's VBScript reports these run-time errors with an automation code and neither
// source nor description: the report gives the language's number and its own text.
TEST_F(ErrorReportTest, ErrorsWithoutADescriptionGetTheLanguagesText) {
  const std::pair<const char*, const char*> cases[] = {
      {"x = 1 / 0", "<p>VBScript runtime error error '800a000b'</p><p>Division by zero</p>"},
  };
  for (const auto& [statement, report] : cases) {
    EngineHolder engine(kLanguageVBScript, kVBScriptClsid, &owner_);
    engine->AddCode(0, 2, 0, statement);
    RunFailing(engine.get());
    EXPECT_NE(std::string::npos, engine->errorText().find(std::string(report) + "<p>C:\\site\\a.asp,line 3</p>"))
        << statement << ": " << engine->errorText();
    EXPECT_EQ(std::string::npos, engine->errorSummary().find('<'));
    EXPECT_NE(std::string::npos, engine->errorSummary().find("at C:\\site\\a.asp:3")) << engine->errorSummary();
  }
}

TEST(ScriptErrorText, MapsCodesToLanguageNumbersAndTheirTexts) {
  const std::pair<HRESULT, int> numbers[] = {
      {DISP_E_DIVBYZERO, 11},
      {DISP_E_TYPEMISMATCH, 13},
      {DISP_E_BADINDEX, 9},
      {DISP_E_OVERFLOW, 6},
      {static_cast<HRESULT>(0x800A01A8), 424},
      {static_cast<HRESULT>(0x800A03EA), 1002},
      {E_FAIL, 0},
      {S_OK, 0},
      {static_cast<HRESULT>(0x000A0005), 0},
  };
  for (const auto& [code, number] : numbers) EXPECT_EQ(number, LanguageErrorNumber(code)) << std::hex << code;
  EXPECT_STREQ("Subscript out of range", LanguageErrorDescription(9));
  EXPECT_STREQ("Object required", LanguageErrorDescription(424));
  EXPECT_STREQ("Invalid procedure call or argument", LanguageErrorDescription(5));
  EXPECT_STREQ("Expected 'End'", LanguageErrorDescription(1014));
  EXPECT_EQ(nullptr, LanguageErrorDescription(0));
  EXPECT_EQ(nullptr, LanguageErrorDescription(12345));
}

TEST_F(ErrorReportTest, ALaterErrorReplacesTheEarlierReport) {
  EngineHolder engine(kLanguageVBScript, kVBScriptClsid, &owner_);
  engine->AddCode(0, 0, 0, "obj.Fail &H800A0035");
  RunFailing(engine.get());
  engine->Reset();
  engine->AddCode(0, 4, 0, "obj.Fail &H800A0036");
  RunFailing(engine.get());
  EXPECT_EQ("<p>Tester error '800a0036'</p><p>boom</p><p>C:\\site\\a.asp,line 5</p>", engine->errorText());
}

TEST_F(ErrorReportTest, ErrorsWhileAbortedAreDroppedAndTheRunCountsAsStopped) {
  for (int32_t language : {kLanguageVBScript, kLanguageJScript}) {
    const bool vbs = language == kLanguageVBScript;
    EngineHolder engine(language, vbs ? kVBScriptClsid : kJScriptClsid, &owner_);
    engine->AddCode(0, 0, 1, vbs ? "obj.Bump\nobj.Fail &H800A0035" : "obj.Bump();\nobj.Fail(0x800A0035 | 0);");
    ASSERT_TRUE(engine->Start());
    ASSERT_EQ(S_OK, engine->AddNamedItem(L"obj", SCRIPTITEM_ISVISIBLE));
    engine->SetAborted();
    EXPECT_TRUE(engine->RunProgram()) << language;
    EXPECT_EQ(S_OK, engine->lastError()) << language;
    EXPECT_EQ("", engine->errorText()) << language;
    // Start clears the flag: the same failure is reported again.
    engine->Close();
    ASSERT_TRUE(engine->Start());
    EXPECT_FALSE(engine->aborted());
    ASSERT_EQ(S_OK, engine->AddNamedItem(L"obj", SCRIPTITEM_ISVISIBLE));
    EXPECT_FALSE(engine->RunProgram()) << language;
    EXPECT_EQ("<p>Tester error '800a0035'</p><p>boom</p><p>C:\\site\\a.asp,line 2</p>", engine->errorText());
  }
  EXPECT_EQ(4, object_->bumps);
}

}  // namespace
