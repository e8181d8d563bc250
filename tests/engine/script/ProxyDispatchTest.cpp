// One engine reaching another's global procedures through "OrvaneCrossScript".
#include <gtest/gtest.h>

#include <dispex.h>

#include "support/DoubleScriptEngine.h"
#include "TestItemObject.h"
#include "TestScriptOwner.h"
#include "script/YProxyDispatch.h"
#include "support/DispatchCall.h"
#include "support/TestScriptHost.h"

namespace {

class CrossScriptTest : public testing::Test {
 protected:
  void SetUp() override {
    store_ = new CTestItemObject;
    owner_.SetItem(L"store", store_->GetUnknown());
  }
  void TearDown() override { store_->Release(); }

  // A started JScript engine that has run its program.
  void RunJScript(CScriptEngine* engine, const char* code) {
    engine->AddScriptBlock(1, 0, 0, code);
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(engine->RunProgram()) << engine->errorText();
  }
  ComPtr<IDispatch> ScriptDispatchOf(CScriptEngine* engine) {
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(S_OK, engine->GetScriptDispatch(dispatch.Receive()));
    return dispatch;
  }
  std::wstring Stored(const wchar_t* key) {
    auto it = store_->values.find(key);
    if (it == store_->values.end()) return L"<none>";
    ScopedVariant text;
    if (FAILED(VariantChangeType(text.Receive(), it->second.ptr(), 0, VT_BSTR))) return L"<not text>";
    return V_BSTR(text.ptr());
  }

  TestScriptOwner owner_;
  CTestItemObject* store_ = nullptr;
};

TEST_F(CrossScriptTest, VBScriptCallsAJScriptFunctionInAnyCase) {
  EngineHolder js(kLanguageJScript, kJScriptClsid, &owner_);
  RunJScript(js.get(), "function myFunc(a) { return a * 2; }");
  EngineHolder vbs(kLanguageVBScript, kVBScriptClsid, &owner_);
  vbs->AddCode(0, 0, 1, "store(\"a\") = MYFUNC(21)\nstore(\"b\") = myfunc(5)");
  ASSERT_TRUE(vbs->Start());
  ASSERT_EQ(S_OK, vbs->AddNamedItem(L"store", SCRIPTITEM_ISVISIBLE));
  ASSERT_TRUE(CScriptEngine::LinkCrossScript(js.get(), vbs.get()));
  EXPECT_TRUE(vbs->RunProgram()) << vbs->errorText();
  EXPECT_EQ(L"42", Stored(L"a"));
  EXPECT_EQ(L"10", Stored(L"b"));
}

TEST_F(CrossScriptTest, JScriptCallsAVBScriptProcedure) {
  EngineHolder vbs(kLanguageVBScript, kVBScriptClsid, &owner_);
  vbs->AddScriptBlock(1, 0, 0, "Function Plus(a) : Plus = a + 1 : End Function");
  ASSERT_TRUE(vbs->Start());
  ASSERT_TRUE(vbs->RunProgram()) << vbs->errorText();
  EngineHolder js(kLanguageJScript, kJScriptClsid, &owner_);
  js->AddCode(0, 0, 0, "store(\"p\") = Plus(4);");
  ASSERT_TRUE(js->Start());
  ASSERT_EQ(S_OK, js->AddNamedItem(L"store", SCRIPTITEM_ISVISIBLE));
  ASSERT_TRUE(CScriptEngine::LinkCrossScript(vbs.get(), js.get()));
  EXPECT_TRUE(js->RunProgram()) << js->errorText();
  EXPECT_EQ(L"5", Stored(L"p"));
}

TEST_F(CrossScriptTest, ProxyRetriesUnknownNamesIgnoringCaseThroughEnumeration) {
  EngineHolder js(kLanguageJScript, kJScriptClsid, &owner_);
  RunJScript(js.get(), "function myFunc(a) { return a * 2; }\nvar counter = 3;");
  ComPtr<IDispatch> globals = ScriptDispatchOf(js.get());
  YProxyDispatch* proxy = new YProxyDispatch(ComPtr<IDispatch>(globals).Detach());

  DISPID direct = DispidOf(globals.Get(), L"myFunc");
  ASSERT_NE(DISPID_UNKNOWN, direct);
  // JScript itself is case-sensitive; the proxy is not.
  EXPECT_EQ(DISPID_UNKNOWN, DispidOf(globals.Get(), L"MYFUNC"));
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"MYFUNC"), const_cast<LPOLESTR>(L"extra")};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(S_OK, proxy->GetIDsOfNames(IID_NULL, names, 2, LOCALE_USER_DEFAULT, ids));
  EXPECT_EQ(direct, ids[0]);
  DispatchOutcome call = InvokeDispatch(proxy, ids[0], DISPATCH_METHOD, Args(I2(21)));
  EXPECT_EQ(S_OK, call.hr);
  EXPECT_EQ(L"42", call.Text());
  EXPECT_EQ(L"3", InvokeDispatch(proxy, DispidOf(proxy, L"COUNTER"), DISPATCH_PROPERTYGET, Args()).Text());

  // A name the engine lacks in any case: the engine's own answer.
  LPOLESTR missing[] = {const_cast<LPOLESTR>(L"noSuchThing")};
  DISPID innerId = 0, proxyId = 0;
  HRESULT innerHr = globals->GetIDsOfNames(IID_NULL, missing, 1, LOCALE_USER_DEFAULT, &innerId);
  EXPECT_EQ(DISP_E_UNKNOWNNAME, innerHr);
  EXPECT_EQ(innerHr, proxy->GetIDsOfNames(IID_NULL, missing, 1, LOCALE_USER_DEFAULT, &proxyId));
  EXPECT_EQ(innerId, proxyId);
  EXPECT_EQ(0u, proxy->Release());
}

TEST_F(CrossScriptTest, ProxyWithoutInnerAnswersSFalse) {
  EngineHolder js(kLanguageJScript, kJScriptClsid, &owner_);
  RunJScript(js.get(), "function f() { return 1; }");
  YProxyDispatch* proxy = new YProxyDispatch(ScriptDispatchOf(js.get()).Detach());
  DISPID f = DispidOf(proxy, L"f");
  ASSERT_NE(DISPID_UNKNOWN, f);
  proxy->ReleaseInner();
  EXPECT_EQ(nullptr, proxy->inner());
  UINT count = 7;
  EXPECT_EQ(S_FALSE, proxy->GetTypeInfoCount(&count));
  ITypeInfo* info = nullptr;
  EXPECT_EQ(S_FALSE, proxy->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info));
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"f")};
  DISPID id = 0;
  EXPECT_EQ(S_FALSE, proxy->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
  EXPECT_EQ(S_FALSE, InvokeDispatch(proxy, f, DISPATCH_METHOD, Args()).hr);
  EXPECT_EQ(0u, proxy->Release());
}

TEST(ProxyDispatchTest, AnswersIUnknownAndIDispatchOnlyAndCountsPlainly) {
  YProxyDispatch* proxy = new YProxyDispatch(nullptr);
  void* out = nullptr;
  EXPECT_EQ(S_OK, proxy->QueryInterface(IID_IUnknown, &out));
  EXPECT_EQ(static_cast<IDispatch*>(proxy), out);
  EXPECT_EQ(S_OK, proxy->QueryInterface(IID_IDispatch, &out));
  EXPECT_EQ(static_cast<IDispatch*>(proxy), out);
  out = proxy;
  EXPECT_EQ(E_NOINTERFACE, proxy->QueryInterface(IID_IDispatchEx, &out));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(4u, proxy->AddRef());
  for (ULONG expected : {3u, 2u, 1u, 0u}) EXPECT_EQ(expected, proxy->Release());
}

TEST_F(CrossScriptTest, LinkingAgainReplacesTheSourceForAnEngineThatHoldsTheItem) {
  EngineHolder first(kLanguageJScript, kJScriptClsid, &owner_);
  RunJScript(first.get(), "function which() { return 'first'; }");
  EngineHolder second(kLanguageJScript, kJScriptClsid, &owner_);
  RunJScript(second.get(), "function which() { return 'second'; }");
  EngineHolder vbs(kLanguageVBScript, kVBScriptClsid, &owner_);
  vbs->AddCode(0, 0, 0, "store(\"w\") = Which()");
  ASSERT_TRUE(vbs->Start());
  ASSERT_EQ(S_OK, vbs->AddNamedItem(L"store", SCRIPTITEM_ISVISIBLE));
  ASSERT_TRUE(CScriptEngine::LinkCrossScript(first.get(), vbs.get()));
  ASSERT_TRUE(CScriptEngine::LinkCrossScript(second.get(), vbs.get()));
  EXPECT_TRUE(vbs->RunProgram()) << vbs->errorText();
  EXPECT_EQ(L"second", Stored(L"w"));
}

// The double records AddNamedItem calls, which Wine's engines do not show.
TEST_F(CrossScriptTest, TestDoubleEngineLinkedTwiceGetsTheItemOnce) {
  RegisterDoubleEngine();
  EngineHolder js(kLanguageJScript, kJScriptClsid, &owner_);
  RunJScript(js.get(), "function f() { return 1; }");
  ResetDoubleLog();
  EngineHolder target(kLanguageVBScript, kDoubleEngineClsid, &owner_);
  ASSERT_TRUE(target->Start());
  EXPECT_TRUE(CScriptEngine::LinkCrossScript(js.get(), target.get()));
  EXPECT_TRUE(CScriptEngine::LinkCrossScript(js.get(), target.get()));
  // The runaway check's item comes first, from Start.
  EXPECT_EQ((std::vector<std::pair<std::wstring, DWORD>>{{L"OrvaneRunawayCheck", SCRIPTITEM_GLOBALMEMBERS},
                                                         {L"OrvaneCrossScript", SCRIPTITEM_GLOBALMEMBERS}}),
            DoubleLog().namedItems);
  // After a close the items are added again for the new engine.
  target->Close();
  ASSERT_TRUE(target->Start());
  EXPECT_TRUE(CScriptEngine::LinkCrossScript(js.get(), target.get()));
  EXPECT_EQ(4u, DoubleLog().namedItems.size());
  ResetDoubleLog();
}

TEST_F(CrossScriptTest, LinkingNeedsTwoStartedEngines) {
  EngineHolder js(kLanguageJScript, kJScriptClsid, &owner_);
  EngineHolder vbs(kLanguageVBScript, kVBScriptClsid, &owner_);
  EXPECT_FALSE(CScriptEngine::LinkCrossScript(js.get(), vbs.get()));
  ASSERT_TRUE(vbs->Start());
  EXPECT_FALSE(CScriptEngine::LinkCrossScript(js.get(), vbs.get()));
}

}  // namespace
