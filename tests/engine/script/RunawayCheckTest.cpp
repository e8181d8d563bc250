// The runaway checks in Wine's real engines: an endless loop or a recursion without
// end reaches the page's stop state, and the page ends with a report at the right line
// (or silently, when it stopped itself).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "TestScriptOwner.h"
#include "support/TestScriptHost.h"

namespace {

class RunawayCheckTest : public testing::Test {
 protected:
  void SetUp() override { owner_.fileNames = {"C:\\site\\a.asp"}; }

  // Runs code as the page fragment at line 0 of a.asp; answers RunProgram's result.
  bool Run(CScriptEngine* engine, const char* code, bool stoppedByThePage = false) {
    engine->AddCode(0, 0, static_cast<int32_t>(std::count(code, code + strlen(code), '\n')), code);
    EXPECT_TRUE(engine->Start()) << engine->errorText();
    if (stoppedByThePage) engine->SetAborted();
    bool result = engine->RunProgram();
    engine->Close();
    return result;
  }

  TestScriptOwner owner_;
};

struct LoopCase {
  int32_t language;
  const char* code;
  int line;  // where the check fires
};

TEST_F(RunawayCheckTest, AnOverduePageFailsAtItsNextLoopTurnOrProcedureEntry) {
  const LoopCase cases[] = {
      {kLanguageVBScript, "x = 1\r\nDo\r\nLoop", 3},          {kLanguageVBScript, "For i = 1 To 10 : Next", 1},
      {kLanguageVBScript, "x = 1\r\nWhile True : Wend", 2},   {kLanguageVBScript, "Sub S()\r\nEnd Sub\r\nS", 1},
      {kLanguageJScript, "var x = 1;\r\nwhile (true) {}", 2}, {kLanguageJScript, "for (;;) {}", 1},
      {kLanguageJScript, "do {} while (true);", 1},           {kLanguageJScript, "function f() {\r\n}\r\nf();", 1},
  };
  for (const LoopCase& c : cases) {
    for (bool bySweep : {true, false}) {
      // The sweep marks the page, or the check reads the clock past the deadline.
      owner_.stop.timedOut = bySweep;
      owner_.stop.deadline = bySweep ? INT64_MAX : 0;
      EngineHolder engine(c.language, c.language == kLanguageVBScript ? kVBScriptClsid : kJScriptClsid, &owner_);
      EXPECT_FALSE(Run(engine.get(), c.code)) << c.code;
      const std::string& report = engine->errorText();
      EXPECT_NE(std::string::npos, report.find("<p>Script timeout error '800705b4'</p><p>Script timed out"))
          << c.code << ": " << report;
      EXPECT_NE(std::string::npos, report.find("C:\\site\\a.asp,line " + std::to_string(c.line) + "</p>"))
          << c.code << ": " << report;
    }
  }
}

TEST_F(RunawayCheckTest, APageThatStoppedItselfEndsSilentlyAtItsNextLoopTurn) {
  owner_.stop.aborted = true;
  for (int32_t language : {kLanguageVBScript, kLanguageJScript}) {
    EngineHolder engine(language, language == kLanguageVBScript ? kVBScriptClsid : kJScriptClsid, &owner_);
    EXPECT_TRUE(Run(engine.get(), language == kLanguageVBScript ? "Do : Loop" : "while (1) {}", true));
    EXPECT_EQ("", engine->errorText());
  }
}

TEST_F(RunawayCheckTest, LoopsOfAPageInTimeRunToTheirEnd) {
  owner_.stop.deadline = INT64_MAX;
  EngineHolder vb(kLanguageVBScript, kVBScriptClsid, &owner_);
  EXPECT_TRUE(Run(vb.get(), "n = 0\r\nFor i = 1 To 1000 : n = n + 1 : Next\r\nDo While n > 0 : n = n - 1 : Loop"))
      << vb->errorText();
  EngineHolder js(kLanguageJScript, kJScriptClsid, &owner_);
  EXPECT_TRUE(Run(js.get(), "var n = 0; for (var i = 0; i < 1000; i++) n++; while (n > 0) n--;")) << js->errorText();
  // The inserted calls are no variables: Option Explicit has nothing to say about them.
  EngineHolder strict(kLanguageVBScript, kVBScriptClsid, &owner_);
  EXPECT_TRUE(Run(strict.get(),
                  "Option Explicit\r\nDim i\r\nFor i = 1 To 3 : Next\r\nSub S() : End Sub\r\n"
                  "Class C\r\nPublic Function F() : F = 1 : End Function\r\nEnd Class\r\nS"))
      << strict->errorText();
}

TEST_F(RunawayCheckTest, RecursionWithoutEndFailsWithOutOfStackSpace) {
  owner_.stop.deadline = INT64_MAX;
  EngineHolder vb(kLanguageVBScript, kVBScriptClsid, &owner_);
  EXPECT_FALSE(Run(vb.get(), "Sub R(n)\r\n  R n + 1\r\nEnd Sub\r\nR 0"));
  EXPECT_NE(std::string::npos, vb->errorText().find("error '800a001c'</p><p>Out of stack space</p>"))
      << vb->errorText();
  EXPECT_NE(std::string::npos, vb->errorText().find("a.asp,line 1</p>")) << vb->errorText();
  EngineHolder js(kLanguageJScript, kJScriptClsid, &owner_);
  EXPECT_FALSE(Run(js.get(), "function r(n) { return r(n + 1); }\r\nr(0);"));
  EXPECT_NE(std::string::npos, js->errorText().find("800a001c")) << js->errorText();
}

}  // namespace
