// The host's TypeName, UBound, LBound and EachOf, called as the engine calls them:
// by their hidden names, with values the engine passes by reference, and with the
// types VBScript itself never makes but host objects hand out.
#include <gtest/gtest.h>

#include "script/CVBScriptFunctions.h"
#include "support/DispatchCall.h"

namespace {

class VBScriptFunctionsTest : public testing::Test {
 protected:
  VBScriptFunctionsTest() : functions_(new CVBScriptFunctions(L"Orvane_")) {}
  ~VBScriptFunctionsTest() override { functions_->Release(); }

  DispatchOutcome Call(const wchar_t* name, std::vector<ScopedVariant> args) {
    IDispatch* dispatch = functions_->GetIDispatch(false);
    return InvokeDispatch(dispatch, DispidOf(dispatch, name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
  }
  std::wstring TypeNameOf(ScopedVariant value) { return Call(L"orvane_typename", Args(std::move(value))).Text(); }

  CVBScriptFunctions* functions_;
};

ScopedVariant Typed(VARTYPE type) {
  ScopedVariant v;
  V_VT(v.ptr()) = type;
  if (type == VT_ERROR) V_ERROR(v.ptr()) = 5;
  return v;
}

ScopedVariant ArrayOf(VARTYPE element, LONG count, UINT dims = 1) {
  SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(count), 0}, {3, 1}};
  ScopedVariant v;
  V_VT(v.ptr()) = VT_ARRAY | element;
  V_ARRAY(v.ptr()) = SafeArrayCreate(element, dims, bounds);
  return v;
}

TEST_F(VBScriptFunctionsTest, TypeNameNamesEveryTypeAsTheLanguageDoes) {
  struct {
    VARTYPE type;
    const wchar_t* name;
  } cases[] = {
      {VT_EMPTY, L"Empty"}, {VT_NULL, L"Null"},        {VT_I2, L"Integer"},      {VT_I4, L"Long"},
      {VT_R4, L"Single"},   {VT_R8, L"Double"},        {VT_CY, L"Currency"},     {VT_DATE, L"Date"},
      {VT_BSTR, L"String"}, {VT_ERROR, L"Error"},      {VT_BOOL, L"Boolean"},    {VT_DECIMAL, L"Decimal"},
      {VT_UI1, L"Byte"},    {VT_DISPATCH, L"Nothing"}, {VT_UNKNOWN, L"Unknown"}, {VT_I8, L"Unknown"},
  };
  for (auto& c : cases) EXPECT_EQ(c.name, TypeNameOf(Typed(c.type))) << c.type;
  EXPECT_EQ(L"Variant()", TypeNameOf(ArrayOf(VT_VARIANT, 2)));
  EXPECT_EQ(L"Byte()", TypeNameOf(ArrayOf(VT_UI1, 4)));
  EXPECT_EQ(L"String()", TypeNameOf(ArrayOf(VT_BSTR, 1)));
  EXPECT_EQ(L"Object()", TypeNameOf(ArrayOf(VT_DISPATCH, 1)));
  // An object without type information (the e2e pages show one with it).
  EXPECT_EQ(L"Object", TypeNameOf(ScopedVariant::Dispatch(functions_->GetIDispatch(false))));
}

TEST_F(VBScriptFunctionsTest, ReferencesAreFollowedAsTheEnginePassesVariables) {
  ScopedVariant nothing = Typed(VT_DISPATCH);
  ScopedVariant byRef;
  V_VT(byRef.ptr()) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(byRef.ptr()) = nothing.ptr();
  EXPECT_EQ(L"Nothing", TypeNameOf(std::move(byRef)));

  ScopedVariant bytes = ArrayOf(VT_UI1, 4);
  ScopedVariant arrayRef;
  V_VT(arrayRef.ptr()) = VT_BYREF | VT_ARRAY | VT_UI1;
  V_ARRAYREF(arrayRef.ptr()) = &V_ARRAY(bytes.ptr());
  DispatchOutcome bound = Call(L"Orvane_UBound", Args(std::move(arrayRef)));
  EXPECT_EQ(S_OK, bound.hr);
  EXPECT_EQ(VT_I4, bound.result.Type());
  EXPECT_EQ(L"3", bound.Text());
}

TEST_F(VBScriptFunctionsTest, BoundsOfEveryDimensionAndTheLanguagesErrors) {
  EXPECT_EQ(L"0", Call(L"Orvane_LBound", Args(ArrayOf(VT_VARIANT, 5, 2))).Text());
  EXPECT_EQ(L"4", Call(L"Orvane_UBound", Args(ArrayOf(VT_VARIANT, 5, 2))).Text());
  EXPECT_EQ(L"1", Call(L"Orvane_LBound", Args(ArrayOf(VT_VARIANT, 5, 2), I2(2))).Text());
  EXPECT_EQ(L"3", Call(L"Orvane_UBound", Args(ArrayOf(VT_VARIANT, 5, 2), Str(L"2"))).Text());
  struct {
    ScopedVariant array;
    ScopedVariant dimension;
    HRESULT code;
  } failures[] = {
      {ScopedVariant::Int(5), ScopedVariant::Missing(), kVBScriptTypeMismatch},
      {Typed(VT_NULL), ScopedVariant::Missing(), kVBScriptTypeMismatch},
      {ArrayOf(VT_VARIANT, 2), I2(0), kVBScriptSubscriptOutOfRange},
      {ArrayOf(VT_VARIANT, 2), I2(2), kVBScriptSubscriptOutOfRange},
      {ArrayOf(VT_VARIANT, 2), Str(L"x"), kVBScriptTypeMismatch},
  };
  for (auto& f : failures) {
    DispatchOutcome outcome = Call(L"Orvane_UBound", Args(std::move(f.array), std::move(f.dimension)));
    EXPECT_EQ(DISP_E_EXCEPTION, outcome.hr);
    EXPECT_EQ(f.code, outcome.excepInfo.scode);
  }
  for (const wchar_t* name : {L"Orvane_TypeName", L"Orvane_UBound", L"Orvane_EachOf"}) {
    DispatchOutcome outcome = Call(name, Args());
    EXPECT_EQ(DISP_E_EXCEPTION, outcome.hr) << name;
    EXPECT_EQ(kVBScriptWrongArgumentCount, outcome.excepInfo.scode) << name;
  }
}

TEST_F(VBScriptFunctionsTest, EachOfHandsBackItsSourceAndRefusesNothing) {
  DispatchOutcome same = Call(L"Orvane_EachOf", Args(ScopedVariant::Dispatch(functions_->GetIDispatch(false))));
  EXPECT_EQ(S_OK, same.hr);
  ASSERT_EQ(VT_DISPATCH, same.result.Type());
  EXPECT_EQ(functions_->GetIDispatch(false), V_DISPATCH(same.result.ptr()));
  DispatchOutcome array = Call(L"Orvane_EachOf", Args(ArrayOf(VT_VARIANT, 2)));
  EXPECT_EQ(S_OK, array.hr);
  EXPECT_EQ(VT_ARRAY | VT_VARIANT, array.result.Type());
  DispatchOutcome nothing = Call(L"Orvane_EachOf", Args(Typed(VT_DISPATCH)));
  EXPECT_EQ(DISP_E_EXCEPTION, nothing.hr);
  EXPECT_EQ(kVBScriptObjectRequired, nothing.excepInfo.scode);
}

TEST_F(VBScriptFunctionsTest, OnlyTheHiddenNamesAreMembers) {
  IDispatch* dispatch = functions_->GetIDispatch(false);
  for (const wchar_t* name : {L"TypeName", L"Orvane_", L"Orvane_Write", L"Orvane2_TypeName"}) {
    EXPECT_EQ(DISPID_UNKNOWN, DispidOf(dispatch, name)) << name;
  }
  functions_->SetPrefix(L"Orvane2_");
  EXPECT_NE(DISPID_UNKNOWN, DispidOf(dispatch, L"orvane2_ubound"));
}

}  // namespace
