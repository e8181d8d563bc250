// YSessionDictionary, the locked store behind Session and Application contents, driven
// through IDispatch as the engines call it, and from the engine side.
#include <gtest/gtest.h>

#include <thread>

#include "automation/ComPtr.h"
#include "automation/ScopedSafeArray.h"
#include "objects/YSessionDictionary.h"
#include "support/DispatchCall.h"

namespace {

constexpr WORD kGet = DISPATCH_PROPERTYGET | DISPATCH_METHOD;

// A bare COM object that counts its references.
struct CountedObject : IUnknown {
  LONG refs = 1;
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid != IID_IUnknown) return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  STDMETHODIMP_(ULONG) Release() override { return --refs; }
};

class SessionDictionaryTest : public testing::Test {
 protected:
  void SetUp() override { store_ = new YSessionDictionary; }
  void TearDown() override {
    if (store_) store_->Release();
  }
  IDispatch* dispatch() { return store_->GetIDispatch(false); }
  DispatchOutcome Get(ScopedVariant name) {
    return InvokeDispatch(dispatch(), DISPID_VALUE, kGet, Args(std::move(name)));
  }
  HRESULT Put(ScopedVariant name, ScopedVariant value) {
    return InvokeDispatch(dispatch(), DISPID_VALUE, DISPATCH_PROPERTYPUT, Args(std::move(name), std::move(value))).hr;
  }
  LONG Count() { return V_I4(InvokeDispatch(dispatch(), DispidOf(dispatch(), L"Count"), kGet, {}).result.ptr()); }
  std::wstring Key(LONG index) {
    return InvokeDispatch(dispatch(), DispidOf(dispatch(), L"Key"), kGet, Args(ScopedVariant::Int(index))).Text();
  }
  void Remove(ScopedVariant key) {
    EXPECT_EQ(S_OK,
              InvokeDispatch(dispatch(), DispidOf(dispatch(), L"Remove"), DISPATCH_METHOD, Args(std::move(key))).hr);
  }

  YSessionDictionary* store_ = nullptr;
};

TEST_F(SessionDictionaryTest, NamesIgnoreCaseKeepTheirFirstSpellingAndEmptyRemoves) {
  ASSERT_EQ(S_OK, Put(Str(L"A"), I2(1)));
  EXPECT_EQ(Get(Str(L"a")).Text(), L"1");
  ASSERT_EQ(S_OK, Put(Str(L"a"), I2(2)));
  EXPECT_EQ(Key(0), L"A");
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(Get(ScopedVariant::Missing()).result.Type(), VT_EMPTY);
  EXPECT_EQ(Get(Str(L"absent")).result.Type(), VT_EMPTY);
  EXPECT_EQ(Key(5).size(), 0u);

  ASSERT_EQ(S_OK, Put(Str(L"b"), I2(3)));
  ASSERT_EQ(S_OK, Put(Str(L"B"), ScopedVariant()));  // Empty by name
  EXPECT_EQ(Count(), 1);
  ASSERT_EQ(S_OK, Put(I2(0), ScopedVariant()));  // Empty by position
  EXPECT_EQ(Count(), 0);
  ASSERT_EQ(S_OK, Put(I2(7), Str(L"seven")));  // any other value: the decimal name
  EXPECT_EQ(Get(Str(L"7")).Text(), L"seven");
}

TEST_F(SessionDictionaryTest, RemoveTakesNamesAndIntegerPositionsOnly) {
  for (const wchar_t* name : {L"c", L"a", L"b"}) ASSERT_EQ(S_OK, Put(Str(name), I2(1)));
  Remove(ScopedVariant::Int(-1));
  Remove(ScopedVariant::Double(1.5));
  Remove(Str(L"zzz"));
  Remove(ScopedVariant::Int(3));
  EXPECT_EQ(Count(), 3);
  Remove(I2(0));
  EXPECT_EQ(Key(0), L"b");
  Remove(Str(L"C"));
  EXPECT_EQ(Count(), 1);
}

TEST_F(SessionDictionaryTest, ValuesPassedByReferenceAreStoredAsCopiesOfWhatTheyReferTo) {
  // An array of variants passed by reference, as a script passes its variable.
  ScopedSafeArray array(SafeArrayCreateVector(VT_VARIANT, 0, 2));
  VARIANT* items = nullptr;
  ASSERT_EQ(S_OK, SafeArrayAccessData(array.Get(), reinterpret_cast<void**>(&items)));
  V_VT(&items[0]) = VT_I4;
  V_I4(&items[0]) = 1;
  SafeArrayUnaccessData(array.Get());
  SAFEARRAY* held = array.Get();
  VARIANT byRef;
  V_VT(&byRef) = VT_BYREF | VT_ARRAY | VT_VARIANT;
  V_ARRAYREF(&byRef) = &held;
  store_->PutItem(*Str(L"a").ptr(), byRef);

  ASSERT_EQ(S_OK, SafeArrayAccessData(array.Get(), reinterpret_cast<void**>(&items)));
  V_I4(&items[0]) = 9;  // the script changes its array afterwards
  SafeArrayUnaccessData(array.Get());

  DispatchOutcome stored = Get(Str(L"a"));
  ASSERT_EQ(stored.result.Type(), VT_ARRAY | VT_VARIANT);
  SAFEARRAY* copy = V_ARRAY(stored.result.ptr());
  EXPECT_NE(copy, array.Get());
  LONG index = 0;
  ScopedVariant first;
  ASSERT_EQ(S_OK, SafeArrayGetElement(copy, &index, first.Receive()));
  EXPECT_EQ(V_I4(first.ptr()), 1);

  // A string by reference, then the script's string changes.
  BSTR text = SysAllocString(L"abc");
  VARIANT byRefText;
  V_VT(&byRefText) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&byRefText) = &text;
  store_->PutItem(*Str(L"s").ptr(), byRefText);
  SysFreeString(text);
  text = SysAllocString(L"xyz");
  EXPECT_EQ(Get(Str(L"s")).Text(), L"abc");
  SysFreeString(text);
}

TEST_F(SessionDictionaryTest, StoredObjectsAreFoundAndReleasedButObjectsStoredByScriptsAreNotFound) {
  CountedObject object;
  object.AddRef();  // the reference that passes to the store
  EXPECT_TRUE(store_->StoreObject("obj", &object));
  EXPECT_EQ(store_->LookupObject("OBJ"), &object);
  EXPECT_EQ(object.refs, 2);  // no reference added by the lookup
  object.AddRef();
  EXPECT_FALSE(store_->StoreObject("obj", &object));  // the first stays; this one is released
  EXPECT_EQ(object.refs, 2);

  IDispatch* self = store_->GetIDispatch(false);
  ScopedVariant scriptObject = ScopedVariant::Dispatch(self);
  ASSERT_EQ(S_OK, InvokeDispatch(dispatch(), DISPID_VALUE, DISPATCH_PROPERTYPUTREF,
                                 Args(Str(L"disp"), std::move(scriptObject)))
                      .hr);
  EXPECT_EQ(store_->LookupObject("disp"), nullptr);
  EXPECT_EQ(Get(Str(L"disp")).result.Type(), VT_DISPATCH);
  Remove(Str(L"disp"));  // breaks the cycle with itself

  InvokeDispatch(dispatch(), DispidOf(dispatch(), L"RemoveAll"), DISPATCH_METHOD, {});
  EXPECT_EQ(object.refs, 1);
  EXPECT_EQ(Count(), 0);
}

TEST_F(SessionDictionaryTest, TwoThreadsWritingDifferentNamesBothLand) {
  constexpr int kNames = 2000;
  auto writer = [this](const wchar_t* prefix) {
    for (int i = 0; i < kNames; ++i) {
      std::wstring name = prefix + std::to_wstring(i);
      store_->PutItem(*Str(name.c_str()).ptr(), *ScopedVariant::Int(i).ptr());
    }
  };
  std::thread one(writer, L"x"), two(writer, L"y");
  one.join();
  two.join();
  EXPECT_EQ(Count(), 2 * kNames);
  EXPECT_EQ(Get(Str(L"y1999")).Text(), L"1999");
}

}  // namespace
