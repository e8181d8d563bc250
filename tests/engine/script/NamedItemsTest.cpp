// Named items called with arguments: Request("x"), Session("k") = v. Wine's engines
// cannot make these calls on named items, so the host hands them to the engine as
// members of one global-members item; an engine that can make them (the test double)
// gets plain named items.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/DoubleScriptEngine.h"
#include "TestItemObject.h"
#include "TestScriptOwner.h"
#include "script/CNamedItemProbe.h"
#include "support/TestScriptHost.h"

namespace {

std::wstring TextOf(const VARIANT& value) {
  ScopedVariant text;
  if (FAILED(VariantChangeType(text.Receive(), const_cast<VARIANT*>(&value), 0, VT_BSTR))) return L"<not text>";
  return V_BSTR(text.ptr()) ? V_BSTR(text.ptr()) : L"";
}

TEST(NamedItemProbeTest, WineEnginesCannotCallNamedItemsWithArgumentsTheTestDoubleCan) {
  RegisterDoubleEngine();
  EXPECT_FALSE(CNamedItemProbe::EngineCallsNamedItemsWithArguments(kVBScriptClsid));
  EXPECT_FALSE(CNamedItemProbe::EngineCallsNamedItemsWithArguments(kJScriptClsid));
  EXPECT_TRUE(CNamedItemProbe::EngineCallsNamedItemsWithArguments(kDoubleEngineClsid));
  // An engine that cannot be created cannot make the call either.
  const CLSID missing = {0x0badc0de, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  EXPECT_FALSE(CNamedItemProbe::EngineCallsNamedItemsWithArguments(missing));
}

class IntrinsicItemsTest : public testing::TestWithParam<int32_t> {
 protected:
  void SetUp() override {
    for (CTestItemObject** object : {&request_, &session_, &application_}) *object = new CTestItemObject;
    owner_.SetItem(L"Request", request_->GetUnknown());
    owner_.SetItem(L"Session", session_->GetUnknown());
    owner_.SetItem(L"Application", application_->GetUnknown());
    request_->values[L"x"] = ScopedVariant::String(L"rv");
    application_->values[L"n"] = ScopedVariant::Int(41);
  }
  void TearDown() override {
    for (CTestItemObject* object : {request_, session_, application_}) object->Release();
  }
  bool vbs() const { return GetParam() == kLanguageVBScript; }

  // Runs a program with the three objects as named items, flags as the page context
  // gives them.
  bool Run(const char* code, std::string* errorText) {
    EngineHolder engine(GetParam(), vbs() ? kVBScriptClsid : kJScriptClsid, &owner_);
    std::string_view text = code;
    engine->AddCode(0, 0, static_cast<int32_t>(std::count(text.begin(), text.end(), '\n')), text);
    if (!engine->Start()) return false;
    for (const wchar_t* name : {L"Request", L"Session", L"Application"}) {
      EXPECT_EQ(S_OK, engine->AddNamedItem(name, SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISPERSISTENT));
    }
    bool ok = engine->RunProgram();
    *errorText = engine->errorText();
    return ok;
  }

  TestScriptOwner owner_;
  CTestItemObject* request_ = nullptr;
  CTestItemObject* session_ = nullptr;
  CTestItemObject* application_ = nullptr;
};

TEST_P(IntrinsicItemsTest, DefaultMembersWithArgumentsWorkUnderWine) {
  const char* code = vbs() ? "r = Request(\"x\")\n"
                             "Session(\"x\") = 5\n"
                             "Application(\"n\") = Application(\"n\") + 1\n"
                             "Session(\"r\") = r\n"
                             "Set Session(\"o\") = Request"
                           : "var r = Request(\"x\");\n"
                             "Session(\"x\") = 5;\n"
                             "Session(\"o\") = Request;\n"
                             "Application(\"n\") = Application(\"n\") + 1;\n"
                             "Session(\"r\") = r;";
  std::string errorText;
  ASSERT_TRUE(Run(code, &errorText)) << errorText;
  EXPECT_EQ(L"5", TextOf(*session_->values[L"x"]));
  EXPECT_EQ(L"rv", TextOf(*session_->values[L"r"]));
  EXPECT_EQ(L"42", TextOf(*application_->values[L"n"]));
  const VARIANT& stored = *session_->values[L"o"];
  ASSERT_EQ(VT_DISPATCH, V_VT(&stored));
  ComPtr<IUnknown> identity;
  ASSERT_EQ(S_OK, identity.QueryFrom(V_DISPATCH(&stored), IID_IUnknown));
  EXPECT_EQ(request_->GetUnknown(), identity.Get());
  if (vbs()) {
    // "Set" arrives as a put by reference.
    EXPECT_EQ(DISPATCH_PROPERTYPUTREF, session_->lastPutFlags);
    EXPECT_EQ(DISPATCH_PROPERTYPUT, application_->lastPutFlags);
  }
  // Every object was asked for once, with the engine's language number.
  ASSERT_EQ(3u, owner_.requests.size());
  for (const auto& [language, name] : owner_.requests) EXPECT_EQ(GetParam(), language) << name;
}

TEST_P(IntrinsicItemsTest, ItemsWorkWithoutArgumentsAsObjects) {
  const char* code = vbs() ? "Request.Bump\nSet s = Session\ns.Bump\nsession.Bump\nApplication(\"b\") = Request.Bumps"
                           : "Request.Bump();\nvar s = Session;\ns.Bump();\nSession.Bump();\n"
                             "Application(\"b\") = Request.Bumps;";
  std::string errorText;
  ASSERT_TRUE(Run(code, &errorText)) << errorText;
  EXPECT_EQ(1, request_->bumps);
  EXPECT_EQ(2, session_->bumps);
  EXPECT_EQ(L"1", TextOf(*application_->values[L"b"]));
}

TEST_P(IntrinsicItemsTest, NamesFollowTheLanguagesCaseRules) {
  std::string errorText;
  // VBScript ignores case; JScript does not know "session".
  EXPECT_EQ(vbs(), Run(vbs() ? "session(\"k\") = 1" : "session(\"k\") = 1;", &errorText)) << errorText;
  EXPECT_EQ(vbs() ? 1u : 0u, session_->values.count(L"k"));
  EXPECT_EQ(vbs(), errorText.empty());
}

TEST_P(IntrinsicItemsTest, FailuresOfTheObjectReachTheScript) {
  std::string errorText;
  EXPECT_FALSE(Run(vbs() ? "\nRequest.Fail &H800A0035" : "\nRequest.Fail(0x800A0035 | 0);", &errorText));
  EXPECT_EQ("<p>Tester error '800a0035'</p><p>boom</p><p>,line 2</p>", errorText);
}

INSTANTIATE_TEST_SUITE_P(Engines, IntrinsicItemsTest, testing::Values(kLanguageVBScript, kLanguageJScript),
                         [](const testing::TestParamInfo<int32_t>& info) {
                           return info.param == kLanguageVBScript ? "VBScript" : "JScript";
                         });

TEST(NamedItemsDirectTest, TestDoubleEngineThatCanCallNamedItemsGetsPlainNamedItems) {
  RegisterDoubleEngine();
  // The probe's own engine is a double as well: probe first, then watch.
  ASSERT_TRUE(CNamedItemProbe::EngineCallsNamedItemsWithArguments(kDoubleEngineClsid));
  ResetDoubleLog();
  TestScriptOwner owner;
  CTestItemObject* request = new CTestItemObject;
  owner.SetItem(L"Request", request->GetUnknown());
  {
    EngineHolder engine(kLanguageVBScript, kDoubleEngineClsid, &owner);
    engine->AddCode(0, 0, 0, "x = Request(7)");
    ASSERT_TRUE(engine->Start());
    EXPECT_EQ(S_OK, engine->AddNamedItem(L"Request", 0x42));
    EXPECT_EQ(S_OK, engine->AddNamedItem(L"Cart", 0x2));
    EXPECT_EQ(S_OK, engine->AddNamedItem(L"OrvaneCrossScript", SCRIPTITEM_GLOBALMEMBERS));
    EXPECT_TRUE(engine->RunProgram());
  }
  EXPECT_EQ((std::vector<std::pair<std::wstring, DWORD>>{{L"OrvaneRunawayCheck", SCRIPTITEM_GLOBALMEMBERS},
                                                         {L"Request", 0x42},
                                                         {L"Cart", 0x2},
                                                         {L"OrvaneCrossScript", SCRIPTITEM_GLOBALMEMBERS}}),
            DoubleLog().namedItems);
  ASSERT_EQ(1u, owner.requests.size());
  EXPECT_EQ(L"Request", owner.requests[0].second);
  request->Release();
  ResetDoubleLog();
}

TEST(NamedItemsDirectTest, NamedItemsNeedAStartedEngine) {
  TestScriptOwner owner;
  EngineHolder engine(kLanguageVBScript, kVBScriptClsid, &owner);
  EXPECT_EQ(E_UNEXPECTED, engine->AddNamedItem(L"Request", 0x42));
}

}  // namespace
