// The automation base driven through IDispatch exactly as the script engines call it.
#include <gtest/gtest.h>

#include "support/DispatchCall.h"
#include "SampleObject.h"
#include "automation/YAutomationError.h"

namespace {

constexpr WORD kGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;  // how VBScript reads and calls
constexpr WORD kPut = DISPATCH_PROPERTYPUT;

class DispatchTest : public testing::Test {
 protected:
  void SetUp() override {
    object_ = new CSampleObject;
    dispatch_ = object_->GetIDispatch(false);
  }
  void TearDown() override { object_->Release(); }

  DISPID Id(const wchar_t* name) { return DispidOf(dispatch_, name); }

  CSampleObject* object_ = nullptr;
  IDispatch* dispatch_ = nullptr;
};

TEST_F(DispatchTest, NamesResolveWithoutRegardToCaseInMapOrder) {
  EXPECT_EQ(1, Id(L"Name"));
  EXPECT_EQ(1, Id(L"name"));
  EXPECT_EQ(1, Id(L"NAME"));
  EXPECT_EQ(2, Id(L"Count"));
  EXPECT_EQ(DISPID_VALUE, Id(L"item"));
  EXPECT_EQ(DISPID_NEWENUM, Id(L"_NewEnum"));

  DISPID ids[2] = {0, 0};
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"Nope"), const_cast<LPOLESTR>(L"Name")};
  EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch_->GetIDsOfNames(IID_NULL, names, 1, 0, ids));
  EXPECT_EQ(DISPID_UNKNOWN, ids[0]);
  // A second name would be a named argument: members take none.
  LPOLESTR withArg[] = {const_cast<LPOLESTR>(L"Sum"), const_cast<LPOLESTR>(L"a")};
  EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch_->GetIDsOfNames(IID_NULL, withArg, 2, 0, ids));
  EXPECT_EQ(5, ids[0]);
  EXPECT_EQ(DISPID_UNKNOWN, ids[1]);
}

TEST_F(DispatchTest, PropertyGetAndPutConvertNarrowTextInTheThreadCodePage) {
  // 936 is the thread code page in the test run: 中文 is D6 D0 CE C4.
  EXPECT_EQ(S_OK, InvokeDispatch(dispatch_, Id(L"Name"), kPut, Args(Str(L"\u4e2d\u6587"))).hr);
  auto got = InvokeDispatch(dispatch_, Id(L"Name"), kGet, Args());
  ASSERT_EQ(S_OK, got.hr);
  ASSERT_EQ(VT_BSTR, got.result.Type());
  EXPECT_EQ(L"\u4e2d\u6587", got.Text());

  // Numbers and booleans arrive converted to the declared types.
  EXPECT_EQ(S_OK, InvokeDispatch(dispatch_, Id(L"Name"), kPut, Args(I2(42))).hr);
  EXPECT_EQ(L"42", InvokeDispatch(dispatch_, Id(L"Name"), kGet, Args()).Text());
  EXPECT_EQ(S_OK, InvokeDispatch(dispatch_, Id(L"Flag"), kPut, Args(I2(1))).hr);
  auto flag = InvokeDispatch(dispatch_, Id(L"Flag"), DISPATCH_PROPERTYGET, Args());
  ASSERT_EQ(VT_BOOL, flag.result.Type());
  EXPECT_EQ(VARIANT_TRUE, V_BOOL(flag.result.ptr()));
  EXPECT_EQ(S_OK, InvokeDispatch(dispatch_, Id(L"Stamp"), kPut, Args(Str(L"2024-01-31"))).hr);
  auto stamp = InvokeDispatch(dispatch_, Id(L"Stamp"), DISPATCH_PROPERTYGET, Args());
  ASSERT_EQ(VT_DATE, stamp.result.Type());
  EXPECT_DOUBLE_EQ(45322.0, V_DATE(stamp.result.ptr()));
}

TEST_F(DispatchTest, InsideAPageRunNarrowTextUsesThePagesCodePage) {
  int pageCodePage = 65001;
  const wchar_t* text = L"na\u00efve \u20ac5 \u65e5\u672c\u8a9e \U0001F600";
  {
    PageCodePageScope page([&] { return pageCodePage; });
    EXPECT_EQ(65001u, ScriptCodePage());
    ASSERT_EQ(S_OK, InvokeDispatch(dispatch_, Id(L"Name"), kPut, Args(Str(text))).hr);
    EXPECT_EQ(
        "na\xC3\xAFve \xE2\x82\xAC"
        "5 \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xF0\x9F\x98\x80",
        object_->name());
    EXPECT_EQ(text, InvokeDispatch(dispatch_, Id(L"Name"), kGet, Args()).Text());
    {
      // A page run inside another (Server.Execute) and the way back out.
      PageCodePageScope inner([] { return 936; });
      EXPECT_EQ(936u, ScriptCodePage());
    }
    EXPECT_EQ(65001u, ScriptCodePage());
    // The page's answer is asked each time: a CodePage set while it runs counts at once;
    // 0 is the system's.
    pageCodePage = 0;
    EXPECT_EQ(static_cast<UINT>(CP_ACP), ScriptCodePage());
  }
  EXPECT_EQ(static_cast<UINT>(CP_THREAD_ACP), ScriptCodePage());
  ASSERT_EQ(S_OK, InvokeDispatch(dispatch_, Id(L"Name"), kPut, Args(Str(L"\u4e2d"))).hr);
  EXPECT_EQ("\xD6\xD0", object_->name());
}

TEST_F(DispatchTest, MethodsTakeOmittedOptionalArgumentsAsParamNotFound) {
  auto all = InvokeDispatch(dispatch_, Id(L"Sum"), kGet, Args(I2(1), I2(2), I2(3)));
  ASSERT_EQ(S_OK, all.hr);
  EXPECT_EQ(VT_I4, all.result.Type());
  EXPECT_EQ(6, V_I4(all.result.ptr()));

  // obj.Sum 1, , 3: the skipped middle argument arrives as VT_ERROR.
  auto middle = InvokeDispatch(dispatch_, Id(L"Sum"), DISPATCH_METHOD, Args(I2(1), ScopedVariant::Missing(), I2(3)));
  ASSERT_EQ(S_OK, middle.hr);
  EXPECT_EQ(4, V_I4(middle.result.ptr()));
  EXPECT_EQ(VT_ERROR, object_->lastB);

  // Trailing arguments left out are simply absent; the member still sees VT_ERROR.
  auto first = InvokeDispatch(dispatch_, Id(L"Sum"), DISPATCH_METHOD, Args(I2(7)));
  ASSERT_EQ(S_OK, first.hr);
  EXPECT_EQ(7, V_I4(first.result.ptr()));
  EXPECT_EQ(VT_ERROR, object_->lastB);
  EXPECT_EQ(VT_ERROR, object_->lastC);
}

TEST_F(DispatchTest, ArgumentCountAndTypeErrorsAnswerTheirDispatchCodes) {
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, InvokeDispatch(dispatch_, Id(L"Sum"), kGet, Args()).hr);
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, InvokeDispatch(dispatch_, Id(L"Sum"), kGet, Args(I2(1), I2(2), I2(3), I2(4))).hr);
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, InvokeDispatch(dispatch_, Id(L"Concat"), kGet, Args(Str(L"a"))).hr);
  EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, InvokeDispatch(dispatch_, Id(L"Sum"), kGet, Args(ScopedVariant::Missing())).hr);

  auto mismatch = InvokeDispatch(dispatch_, Id(L"Sum"), kGet, Args(Str(L"abc"), I2(1)));
  EXPECT_EQ(DISP_E_TYPEMISMATCH, mismatch.hr);
  EXPECT_EQ(1u, mismatch.argErr);  // the position in the reversed array

  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, InvokeDispatch(dispatch_, 999, kGet, Args()).hr);
  // A method is not a property.
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND, InvokeDispatch(dispatch_, Id(L"Concat"), kPut, Args(Str(L"a"))).hr);
  EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
            InvokeDispatch(dispatch_, Id(L"Concat"), DISPATCH_PROPERTYGET, Args(Str(L"a"), Str(L"b"))).hr);

  // Named arguments other than a put's value are refused.
  VARIANT arg;
  V_VT(&arg) = VT_I4;
  V_I4(&arg) = 1;
  DISPID named = 1;
  DISPPARAMS params{&arg, &named, 1, 1};
  ScopedVariant result;
  EXPECT_EQ(DISP_E_NONAMEDARGS,
            dispatch_->Invoke(Id(L"Sum"), IID_NULL, 0, kGet, &params, result.Receive(), nullptr, nullptr));
}

TEST_F(DispatchTest, ArgumentsPassedByReferenceAreFollowed) {
  // VBScript passes variables as VT_BYREF | VT_VARIANT.
  ScopedVariant inner = ScopedVariant::Int(5);
  ScopedVariant byRef;
  V_VT(byRef.Receive()) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(byRef.ptr()) = inner.ptr();
  std::vector<ScopedVariant> args;
  args.push_back(I2(1));
  args.push_back(std::move(byRef));
  auto outcome = InvokeDispatch(dispatch_, Id(L"Sum"), kGet, std::move(args));
  ASSERT_EQ(S_OK, outcome.hr);
  EXPECT_EQ(6, V_I4(outcome.result.ptr()));
}

TEST_F(DispatchTest, DefaultMemberTakesAKeyForGetAndPut) {
  // r("k") = 5: put of DISPID_VALUE with [5, "k"], the value named DISPID_PROPERTYPUT.
  EXPECT_EQ(S_OK, InvokeDispatch(dispatch_, DISPID_VALUE, kPut, Args(Str(L"k"), I2(5))).hr);
  auto got = InvokeDispatch(dispatch_, DISPID_VALUE, kGet, Args(Str(L"k")));
  ASSERT_EQ(S_OK, got.hr);
  EXPECT_EQ(VT_I2, got.result.Type());
  EXPECT_EQ(5, V_I2(got.result.ptr()));

  // Set r("o") = obj arrives as a put by reference.
  auto* other = new CSampleObject;
  EXPECT_EQ(S_OK, InvokeDispatch(dispatch_, DISPID_VALUE, DISPATCH_PROPERTYPUTREF,
                                 Args(Str(L"o"), ScopedVariant::Dispatch(other->GetIDispatch(false))))
                      .hr);
  other->Release();
  auto object = InvokeDispatch(dispatch_, DISPID_VALUE, kGet, Args(Str(L"o")));
  EXPECT_EQ(VT_DISPATCH, object.result.Type());

  // x = obj: the default member without its key.
  auto count = InvokeDispatch(dispatch_, DISPID_VALUE, kGet, Args());
  ASSERT_EQ(S_OK, count.hr);
  EXPECT_EQ(2, V_I4(count.result.ptr()));
}

TEST_F(DispatchTest, ParameterlessPropertyCalledWithArgumentsAppliesThemToItsValue) {
  // obj.Child("k") = 7 is one put of Child with two arguments.
  EXPECT_EQ(S_OK, InvokeDispatch(dispatch_, Id(L"Child"), kPut, Args(Str(L"k"), I2(7))).hr);
  auto got = InvokeDispatch(dispatch_, Id(L"Child"), kGet, Args(Str(L"k")));
  ASSERT_EQ(S_OK, got.hr);
  EXPECT_EQ(L"7", got.Text());
  // JScript calls it as a method.
  EXPECT_EQ(L"7", InvokeDispatch(dispatch_, Id(L"Child"), DISPATCH_METHOD, Args(Str(L"k"))).Text());
  // The parent itself was not touched.
  EXPECT_TRUE(object_->items.empty());

  // A value that is no object has no default member to take the arguments.
  EXPECT_EQ(DISP_E_BADPARAMCOUNT, InvokeDispatch(dispatch_, Id(L"Name"), kGet, Args(Str(L"k"))).hr);
}

TEST_F(DispatchTest, ReadOnlyPropertyPutRaisesSetNotSupported) {
  auto outcome = InvokeDispatch(dispatch_, Id(L"Count"), kPut, Args(I2(3)));
  EXPECT_EQ(DISP_E_EXCEPTION, outcome.hr);
  EXPECT_EQ(CTL_E_SETNOTSUPPORTED, outcome.excepInfo.scode);
  EXPECT_EQ(static_cast<HRESULT>(0x800A017F), outcome.excepInfo.scode);
}

TEST_F(DispatchTest, MemberFailureBecomesAnAutomationException) {
  auto outcome = InvokeDispatch(dispatch_, Id(L"Fail"), DISPATCH_METHOD, Args(ScopedVariant::Int(0x800A0035)));
  EXPECT_EQ(DISP_E_EXCEPTION, outcome.hr);
  EXPECT_EQ(static_cast<HRESULT>(0x800A0035), outcome.excepInfo.scode);
  ASSERT_NE(nullptr, outcome.excepInfo.bstrDescription);
  EXPECT_STREQ(L"failed on purpose", outcome.excepInfo.bstrDescription);
  EXPECT_STREQ(L"Sample", outcome.excepInfo.bstrSource);
  // A member's conversion failure carries the conversion's code.
  auto bad = InvokeDispatch(dispatch_, Id(L"Sum"), kGet, Args(I2(1), Str(L"x")));
  EXPECT_EQ(DISP_E_EXCEPTION, bad.hr);
  EXPECT_EQ(DISP_E_TYPEMISMATCH, bad.excepInfo.scode);
}

TEST_F(DispatchTest, NewEnumAnswersAnEnumeratorThatSharesItsObjectsIdentity) {
  object_->items["b"] = ScopedVariant::Int(1);
  object_->items["a"] = ScopedVariant::Int(2);
  auto outcome = InvokeDispatch(dispatch_, DISPID_NEWENUM, kGet, Args());
  ASSERT_EQ(S_OK, outcome.hr);
  ASSERT_EQ(VT_UNKNOWN, outcome.result.Type());
  IUnknown* unknown = V_UNKNOWN(outcome.result.ptr());

  ComPtr<IEnumVARIANT> enumerator;
  ASSERT_EQ(S_OK, enumerator.QueryFrom(unknown, IID_IEnumVARIANT));
  ComPtr<IUnknown> identity;
  ASSERT_EQ(S_OK, identity.QueryFrom(enumerator.Get(), IID_IUnknown));
  ComPtr<IUnknown> identityOfResult;
  ASSERT_EQ(S_OK, identityOfResult.QueryFrom(unknown, IID_IUnknown));
  EXPECT_EQ(identityOfResult.Get(), identity.Get());
  ComPtr<IUnknown> identityAgain;
  ASSERT_EQ(S_OK, identityAgain.QueryFrom(identity.Get(), IID_IUnknown));
  EXPECT_EQ(identity.Get(), identityAgain.Get());
  ComPtr<IEnumVARIANT> back;
  ASSERT_EQ(S_OK, back.QueryFrom(identity.Get(), IID_IEnumVARIANT));
  EXPECT_EQ(enumerator.Get(), back.Get());

  // Next(1, NULL) as the engines call it.
  ScopedVariant item;
  EXPECT_EQ(S_OK, enumerator->Next(1, item.Receive(), nullptr));
  EXPECT_STREQ(L"a", V_BSTR(item.ptr()));
  EXPECT_EQ(S_OK, enumerator->Next(1, item.Receive(), nullptr));
  EXPECT_STREQ(L"b", V_BSTR(item.ptr()));
  EXPECT_EQ(S_FALSE, enumerator->Next(1, item.Receive(), nullptr));
}

TEST(CmdTargetLifetime, CountStartsAtOneAndTheFinalReleaseDeletes) {
  bool destroyed = false;
  auto* object = new CSampleObject;
  object->destroyedFlag = &destroyed;
  EXPECT_EQ(2u, object->AddRef());
  IDispatch* dispatch = object->GetIDispatch(true);
  EXPECT_EQ(3u, dispatch->AddRef() - 1);  // AddRef answered 4
  EXPECT_EQ(3u, dispatch->Release());
  EXPECT_EQ(2u, dispatch->Release());
  EXPECT_EQ(1u, object->Release());
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(0u, object->Release());
  EXPECT_TRUE(destroyed);
}

TEST(CmdTargetLifetime, QueryInterfaceAnswersTheClassDispatchInterfaceAndNothingElse) {
  auto* object = new CSampleObject;
  IDispatch* dispatch = object->GetIDispatch(false);
  ComPtr<IUnknown> viaOwnIid;
  ASSERT_EQ(S_OK, viaOwnIid.QueryFrom(dispatch, IID_ISampleDispatch));
  EXPECT_EQ(static_cast<IUnknown*>(dispatch), viaOwnIid.Get());
  ComPtr<IUnknown> unknown;
  ASSERT_EQ(S_OK, unknown.QueryFrom(dispatch, IID_IUnknown));
  EXPECT_EQ(static_cast<IUnknown*>(dispatch), unknown.Get());
  ComPtr<IUnknown> none;
  EXPECT_EQ(E_NOINTERFACE, none.QueryFrom(dispatch, IID_IEnumVARIANT));
  EXPECT_EQ(nullptr, none.Get());
  unknown.Reset();
  viaOwnIid.Reset();
  EXPECT_EQ(0u, object->Release());
}

}  // namespace
