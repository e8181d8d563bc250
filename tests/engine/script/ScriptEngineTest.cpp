// Starting, running, closing and running again.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "support/DoubleScriptEngine.h"
#include "TestItemObject.h"
#include "TestScriptOwner.h"
#include "support/TestScriptHost.h"

namespace {

// What a piece of code writes to standard output.
template <class F>
std::string CaptureStdout(F&& body) {
  char path[MAX_PATH];
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  GetTempFileNameA(dir, "out", 0, path);
  std::fflush(stdout);
  int saved = _dup(1);
  int file = _open(path, _O_WRONLY | _O_TRUNC | _O_BINARY);
  _dup2(file, 1);
  _close(file);
  body();
  std::fflush(stdout);
  _dup2(saved, 1);
  _close(saved);
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  in.close();
  DeleteFileA(path);
  return text.str();
}

const CLSID kUnknownClsid = {0x0badc0de, 0x1234, 0x5678, {0x9a, 0xbc, 0xde, 0xf0, 0x12, 0x34, 0x56, 0x78}};

class ScriptEngineTest : public testing::Test {
 protected:
  void SetUp() override {
    RegisterDoubleEngine();
    ResetDoubleLog();
  }
  void TearDown() override { ResetDoubleLog(); }
  TestScriptOwner owner_;
};

// {B54F3743-5B07-11CF-A4B0-00AA004A55E8}: VBScript with encoded source, which Wine
// registers but cannot create.
const CLSID kVBScriptEncodeClsid = {0xB54F3743, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}};

TEST_F(ScriptEngineTest, EngineThatCannotBeCreatedFailsAndResets) {
  for (const CLSID* classId : {&kUnknownClsid, &kVBScriptEncodeClsid}) {
    EngineHolder engine(kLanguageVBScriptEncoded, *classId, &owner_);
    engine->AddCode(0, 0, 0, "x = 1");
    engine->AddScriptBlock(1, 0, 0, "y = 1");
    bool started = true;
    std::string out = CaptureStdout([&] { started = engine->Start(); });
    EXPECT_FALSE(started);
    EXPECT_EQ("Failed to create script engine.", engine->errorText());
    EXPECT_TRUE(std::regex_match(out, std::regex("last error=-?[0-9]+\n"))) << out;
    EXPECT_FALSE(engine->IsStarted());
    EXPECT_EQ(L"", engine->AssembleProgram());
    std::string file;
    int32_t line = 0;
    EXPECT_FALSE(engine->MapErrorLine(1, &file, &line));
    EXPECT_FALSE(engine->RunProgram());
    EXPECT_EQ(E_UNEXPECTED, engine->AddNamedItem(L"Request", 0x42));
  }
}

struct StartFailureCase {
  const char* name;
  DoubleEngineLog::Failure failure;
  const char* message;
};

const StartFailureCase kStartFailures[] = {
    {"NoParseInterface", DoubleEngineLog::Failure::kNoParse, "Failed to obtain IActiveScriptParse interface."},
    {"SiteRefused", DoubleEngineLog::Failure::kSetSite, "Failed to set script engine's site."},
    {"InitNewFails", DoubleEngineLog::Failure::kInitNew, "Failed to initialize script engine."},
};

class StartFailureTest : public ScriptEngineTest, public testing::WithParamInterface<StartFailureCase> {};

// Wine's engines do not fail these steps; the test double fails each on request.
TEST_P(StartFailureTest, TestDoubleEngineStepFailsAndResets) {
  DoubleLog().failure = GetParam().failure;
  EngineHolder engine(kLanguageJScript, kDoubleEngineClsid, &owner_);
  engine->AddCode(0, 0, 0, "x = 1");
  std::string out = CaptureStdout([&] { EXPECT_FALSE(engine->Start()); });
  EXPECT_EQ("", out);
  EXPECT_EQ(GetParam().message, engine->errorText());
  EXPECT_FALSE(engine->IsStarted());
  EXPECT_EQ(L"", engine->AssembleProgram());
  // The double was closed by the reset.
  EXPECT_EQ(1, DoubleLog().closes);
}

INSTANTIATE_TEST_SUITE_P(Cases, StartFailureTest, testing::ValuesIn(kStartFailures),
                         [](const testing::TestParamInfo<StartFailureCase>& info) { return info.param.name; });

TEST_F(ScriptEngineTest, SiteAnswersAsTheHostDoes) {
  EngineHolder engine(kLanguageVBScript, kVBScriptClsid, &owner_);
  ComPtr<IActiveScriptSite> site;
  ASSERT_EQ(S_OK, site.QueryFrom(engine->GetUnknown(), IID_IActiveScriptSite));
  ComPtr<IUnknown> identity;
  ASSERT_EQ(S_OK, identity.QueryFrom(site.Get(), IID_IUnknown));
  EXPECT_EQ(engine->GetUnknown(), identity.Get());
  LCID lcid = 0;
  EXPECT_EQ(E_NOTIMPL, site->GetLCID(&lcid));
  BSTR version = reinterpret_cast<BSTR>(1);
  EXPECT_EQ(S_OK, site->GetDocVersionString(&version));
  EXPECT_EQ(nullptr, version);
  // Without a link, the cross-script item answers no object.
  IUnknown* unknown = reinterpret_cast<IUnknown*>(1);
  ITypeInfo* typeInfo = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(S_OK, site->GetItemInfo(L"orvanecrossscript", SCRIPTINFO_IUNKNOWN, &unknown, &typeInfo));
  EXPECT_EQ(nullptr, unknown);
  EXPECT_EQ(nullptr, typeInfo);
  // Other names go to the owner with the engine's language number.
  EXPECT_EQ(TYPE_E_ELEMENTNOTFOUND, site->GetItemInfo(L"Missing", SCRIPTINFO_IUNKNOWN, &unknown, nullptr));
  ASSERT_EQ(1u, owner_.requests.size());
  EXPECT_EQ(kLanguageVBScript, owner_.requests[0].first);
  EXPECT_EQ(L"Missing", owner_.requests[0].second);
}

TEST_F(ScriptEngineTest, RunningTwiceParsesTheSameProgramAndSeesTheNamedItemsAgain) {
  for (int32_t language : {kLanguageVBScript, kLanguageJScript}) {
    const bool vbs = language == kLanguageVBScript;
    CTestItemObject* counter = new CTestItemObject;
    owner_.SetItem(L"counter", counter->GetUnknown());
    EngineHolder engine(language, vbs ? kVBScriptClsid : kJScriptClsid, &owner_);
    engine->AddCode(0, 0, 0, vbs ? "counter.Bump" : "counter.Bump();");
    engine->AddScriptBlock(1, 0, 0, vbs ? "counter.Bump" : "counter.Bump();");
    engine->AddScriptBlock(2, 0, 0,
                           vbs ? "Sub Twice : counter.Bump : End Sub" : "function Twice() { counter.Bump(); }");
    engine->AddCode(0, 1, 0, vbs ? "Twice" : "Twice();");
    const std::wstring program = engine->AssembleProgram();
    for (int run = 1; run <= 2; ++run) {
      ASSERT_TRUE(engine->Start()) << engine->errorText();
      ASSERT_EQ(S_OK, engine->AddNamedItem(L"counter", SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISPERSISTENT));
      EXPECT_TRUE(engine->RunProgram()) << engine->errorText();
      EXPECT_EQ(3 * run, counter->bumps) << language;
      engine->Close();
      EXPECT_FALSE(engine->IsStarted());
      EXPECT_EQ(program, engine->AssembleProgram());
    }
    counter->Release();
  }
}

TEST_F(ScriptEngineTest, TestDoubleEngineParsesTheAssembledProgramOncePerRun) {
  EngineHolder engine(kLanguageJScript, kDoubleEngineClsid, &owner_);
  engine->AddScriptBlock(3, 0, 0, "block");
  engine->AddCode(0, 0, 0, "main");
  for (int run = 0; run < 2; ++run) {
    ASSERT_TRUE(engine->Start());
    EXPECT_TRUE(engine->RunProgram());
    // The parse interface is let go once the program is parsed.
    EXPECT_FALSE(engine->RunProgram());
    engine->Close();
  }
  EXPECT_EQ((std::vector<std::wstring>{L"main\r\nblock\r\n", L"main\r\nblock\r\n"}), DoubleLog().parsedTexts);
  EXPECT_EQ(2, DoubleLog().closes);
}

// Wine's engines cannot interrupt a script thread: the call answers E_NOTIMPL, which
// is why a page stops its scripts by failing the call it is in.
TEST_F(ScriptEngineTest, InterruptingAScriptThreadUnderWineIsNotImplemented) {
  EngineHolder engine(kLanguageJScript, kJScriptClsid, &owner_);
  EXPECT_EQ(E_UNEXPECTED, engine->InterruptScriptThread(SCRIPTTHREADID_ALL));
  ASSERT_TRUE(engine->Start());
  EXPECT_EQ(E_NOTIMPL, engine->InterruptScriptThread(SCRIPTTHREADID_ALL));
  EXPECT_EQ(E_NOTIMPL, engine->InterruptScriptThread(SCRIPTTHREADID_CURRENT));
}

}  // namespace
