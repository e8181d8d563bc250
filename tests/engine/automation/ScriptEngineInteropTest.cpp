// The sample class given to the platform's real VBScript and JScript engines.
#include <gtest/gtest.h>

#include "SampleObject.h"
#include "support/TestScriptHost.h"
#include "automation/YAutomationError.h"

namespace {

class EngineTest : public testing::TestWithParam<ScriptLanguage> {
 protected:
  void SetUp() override {
    host_ = std::make_unique<TestScriptHost>(GetParam());
    ASSERT_TRUE(host_->ok());
    object_ = new CSampleObject;
    ASSERT_EQ(S_OK, host_->AddItem(L"obj", object_->GetUnknown()));
  }
  void TearDown() override {
    host_.reset();
    object_->Release();
  }
  bool vbs() const { return GetParam() == ScriptLanguage::kVBScript; }
  // Runs code and expects no script error.
  void RunOk(const std::wstring& code) {
    EXPECT_EQ(S_OK, host_->Run(code)) << code;
    EXPECT_TRUE(host_->errors().empty()) << code << " reported 0x" << std::hex
                                         << (host_->errors().empty() ? 0 : host_->errors()[0].scode);
  }

  std::unique_ptr<TestScriptHost> host_;
  CSampleObject* object_ = nullptr;
};

TEST_P(EngineTest, ScriptsReadAndWritePropertiesAndCallMethods) {
  RunOk(vbs() ? L"obj.NAME = \"abc\"" : L"obj.Name = 'abc';");
  EXPECT_EQ(L"abc", host_->EvalText(L"obj.Name"));
  EXPECT_EQ(L"abc", host_->EvalText(vbs() ? L"obj.name" : L"obj.Name"));
  RunOk(vbs() ? L"obj.Flag = True" : L"obj.Flag = true;");
  ScopedVariant flag;
  ASSERT_EQ(S_OK, host_->Eval(L"obj.Flag", flag.Receive()));
  ASSERT_EQ(VT_BOOL, flag.Type());
  EXPECT_EQ(VARIANT_TRUE, V_BOOL(flag.ptr()));
  EXPECT_EQ(L"6", host_->EvalText(L"obj.Sum(1, 2, 3)"));
  EXPECT_EQ(L"1", host_->EvalText(L"obj.Sum(1)"));
  EXPECT_EQ(L"ab", host_->EvalText(L"obj.Concat(\"a\", \"b\")"));
  EXPECT_EQ(L"12", host_->EvalText(L"obj.Concat(1, 2)"));
  EXPECT_TRUE(host_->errors().empty());
}

TEST_P(EngineTest, SkippedMiddleArgumentArrivesAsParamNotFound) {
  if (!vbs()) GTEST_SKIP() << "JScript has no syntax for a skipped argument";
  RunOk(L"obj.Sum 1, , 3");
  EXPECT_EQ(VT_ERROR, object_->lastB);
  EXPECT_EQ(L"4", host_->EvalText(L"obj.Sum(1, , 3)"));
}

TEST_P(EngineTest, DefaultMemberWithAndWithoutArgumentsThroughAVariable) {
  if (vbs()) {
    RunOk(L"Set d = obj\nd(\"k\") = 5\nSet d(\"o\") = obj.Child\nx = d(\"k\")\nobj.Name = x & \":\" & d");
    EXPECT_EQ(L"5:2", host_->EvalText(L"obj.Name"));
    EXPECT_EQ(VT_DISPATCH, object_->items["o"].Type());
  } else {
    RunOk(L"var d = obj; d.Item('k') = 5; obj.Name = d('k') + ':' + d.Item();");
    EXPECT_EQ(L"5:1", host_->EvalText(L"obj.Name"));
  }
}

TEST_P(EngineTest, ParameterlessPropertyCalledWithArguments) {
  RunOk(vbs() ? L"obj.Child(\"k\") = \"v\"" : L"obj.Child.Item('k') = 'v';");
  EXPECT_EQ(L"v", host_->EvalText(L"obj.Child(\"k\")"));
  EXPECT_TRUE(object_->items.empty());
}

TEST_P(EngineTest, EnumerationVisitsEveryKey) {
  object_->items["x"] = ScopedVariant::Int(1);
  object_->items["y"] = ScopedVariant::Int(2);
  if (vbs()) {
    RunOk(L"s = \"\"\nFor Each k In obj\ns = s & k & \",\"\nNext\nobj.Name = s");
  } else {
    RunOk(
        L"var s = ''; for (var e = new Enumerator(obj); !e.atEnd(); e.moveNext()) s += e.item() + ',';"
        L"obj.Name = s;");
  }
  EXPECT_EQ(L"x,y,", host_->EvalText(L"obj.Name"));
}

TEST_P(EngineTest, AutomationExceptionBecomesAScriptErrorWithItsCode) {
  EXPECT_NE(S_OK, host_->Run(vbs() ? L"obj.Fail &H800A0035" : L"obj.Fail(0x800A0035 | 0);"));
  ASSERT_EQ(1u, host_->errors().size());
  EXPECT_EQ(static_cast<HRESULT>(0x800A0035), host_->errors()[0].scode);
  EXPECT_EQ(L"failed on purpose", host_->errors()[0].description);
  EXPECT_EQ(L"Sample", host_->errors()[0].source);
}

TEST_P(EngineTest, ReadOnlyPropertyAssignmentIsAScriptError) {
  EXPECT_NE(S_OK, host_->Run(vbs() ? L"\n\nobj.Count = 3" : L"\n\nobj.Count = 3;"));
  ASSERT_EQ(1u, host_->errors().size());
  EXPECT_EQ(CTL_E_SETNOTSUPPORTED, host_->errors()[0].scode);
  EXPECT_EQ(2u, host_->errors()[0].line);
}

TEST_P(EngineTest, VBScriptOnErrorSeesTheMemberCode) {
  if (!vbs()) GTEST_SKIP() << "VBScript only";
  RunOk(L"On Error Resume Next\nobj.Fail &H800A0035\nobj.Name = Err.Number & \"|\" & Err.Description");
  EXPECT_EQ(L"53|failed on purpose", host_->EvalText(L"obj.Name"));
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineTest, testing::Values(ScriptLanguage::kVBScript, ScriptLanguage::kJScript),
                         [](const testing::TestParamInfo<ScriptLanguage>& info) {
                           return info.param == ScriptLanguage::kVBScript ? "VBScript" : "JScript";
                         });

}  // namespace
