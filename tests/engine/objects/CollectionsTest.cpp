// YDictionary, YDicVal and YDictionaryEnum driven through IDispatch and IEnumVARIANT the
// way the script engines call them.
#include <gtest/gtest.h>

#include "automation/ComPtr.h"
#include "objects/YCodePageSource.h"
#include "objects/YDicVal.h"
#include "objects/YDictionary.h"
#include "support/DispatchCall.h"

namespace {

constexpr WORD kGet = DISPATCH_PROPERTYGET | DISPATCH_METHOD;

struct CodePage : YCodePageSource {
  int value = 0;
  int GetCodePage() override { return value; }
};

ScopedVariant I4(LONG value) { return ScopedVariant::Int(value); }
ScopedVariant R8(double value) { return ScopedVariant::Double(value); }

class CollectionsTest : public testing::Test {
 protected:
  void SetUp() override { dict_ = new YDictionary; }
  void TearDown() override { dict_->Release(); }

  IDispatch* dispatch() { return dict_->GetIDispatch(false); }
  DispatchOutcome Call(IDispatch* object, const wchar_t* name, std::vector<ScopedVariant> args = {}) {
    return InvokeDispatch(object, DispidOf(object, name), kGet, std::move(args));
  }
  LONG Count() { return V_I4(Call(dispatch(), L"Count").result.ptr()); }
  std::wstring Key(LONG index) { return Call(dispatch(), L"Key", Args(I4(index))).Text(); }
  // The value object of key, through the default member.
  ComPtr<IDispatch> Item(ScopedVariant key) {
    DispatchOutcome out = InvokeDispatch(dispatch(), DISPID_VALUE, kGet, Args(std::move(key)));
    EXPECT_EQ(S_OK, out.hr);
    EXPECT_EQ(VT_DISPATCH, out.result.Type());
    return ComPtr<IDispatch>(V_DISPATCH(out.result.ptr()));
  }
  ComPtr<IEnumVARIANT> Enumerator() {
    DispatchOutcome out = InvokeDispatch(dispatch(), DISPID_NEWENUM, kGet, {});
    EXPECT_EQ(VT_UNKNOWN, out.result.Type());
    ComPtr<IEnumVARIANT> e;
    EXPECT_EQ(S_OK, e.QueryFrom(V_UNKNOWN(out.result.ptr()), IID_IEnumVARIANT));
    return e;
  }
  static std::vector<std::wstring> Drain(IEnumVARIANT* e) {
    std::vector<std::wstring> keys;
    ScopedVariant v;
    while (e->Next(1, v.Receive(), nullptr) == S_OK) keys.push_back(V_BSTR(v.ptr()));
    return keys;
  }

  YDictionary* dict_ = nullptr;
};

TEST_F(CollectionsTest, KeysDifferingInCaseAreOneEntryThatKeepsItsFirstSpelling) {
  dict_->Add("A", std::string("1"));
  dict_->Add("a", std::string("2"));
  EXPECT_EQ(1, Count());
  EXPECT_EQ(L"A", Key(0));
  ComPtr<IDispatch> value = Item(Str(L"a"));
  EXPECT_EQ(L"2", Call(value.Get(), L"Count").Text());
  EXPECT_EQ(L"1, 2", InvokeDispatch(value.Get(), DISPID_VALUE, kGet, {}).Text());
  EXPECT_EQ(L"2", Call(value.Get(), L"Item", Args(I4(1))).Text());
}

TEST_F(CollectionsTest, KeysOrderByteWiseAfterMappingUpperCase) {
  for (const char* key : {"B", "a", "_", "\xC0", "Z"}) dict_->Add(key, std::string());
  EXPECT_EQ((std::vector<std::string>{"_", "a", "B", "Z", "\xC0"}), dict_->Keys());
  EXPECT_EQ(L"_", Key(0));
  EXPECT_EQ(L"B", Key(2));
  ComPtr<IEnumVARIANT> e = Enumerator();
  EXPECT_EQ((std::vector<std::wstring>{L"_", L"a", L"B", L"Z", NarrowToWide("\xC0", CP_THREAD_ACP)}), Drain(e.Get()));
}

TEST_F(CollectionsTest, ItemWithoutKeyAnswersTheRawTextAsAString) {
  DispatchOutcome empty = InvokeDispatch(dispatch(), DISPID_VALUE, kGet, {});
  ASSERT_EQ(VT_BSTR, empty.result.Type());
  EXPECT_EQ(L"", empty.Text());
  dict_->SetRawText("a=1&b=2");
  EXPECT_EQ(L"a=1&b=2", Call(dispatch(), L"Item").Text());
}

TEST_F(CollectionsTest, AbsentKeyAnswersAnEmptyValueThatIsNotKept) {
  dict_->Add("a", std::string("1"));
  ComPtr<IDispatch> value = Item(Str(L"missing"));
  EXPECT_EQ(L"0", Call(value.Get(), L"Count").Text());
  EXPECT_EQ(VT_EMPTY, InvokeDispatch(value.Get(), DISPID_VALUE, kGet, {}).result.Type());
  EXPECT_EQ(1, Count());
}

TEST_F(CollectionsTest, NumericKeysAreLookedUpAsText) {
  dict_->Add("x", std::string("first"));
  dict_->Add("1", std::string("one"));
  EXPECT_EQ(L"one", InvokeDispatch(Item(I2(1)).Get(), DISPID_VALUE, kGet, {}).Text());
  EXPECT_EQ(L"", InvokeDispatch(Item(I4(0)).Get(), DISPID_VALUE, kGet, {}).Text());
}

TEST_F(CollectionsTest, KeyOutsideTheCollectionIsEmptyAndAKeyThatIsNoNumberFails) {
  dict_->Add("a", std::string());
  dict_->Add("b", std::string());
  EXPECT_EQ(VT_EMPTY, Call(dispatch(), L"Key", Args(I4(2))).result.Type());
  EXPECT_EQ(VT_EMPTY, Call(dispatch(), L"Key", Args(I4(-1))).result.Type());
  EXPECT_EQ(L"b", Call(dispatch(), L"Key", Args(Str(L"1"))).Text());
  DispatchOutcome bad = Call(dispatch(), L"Key", Args(Str(L"x")));
  EXPECT_EQ(DISP_E_EXCEPTION, bad.hr);
  EXPECT_EQ(DISP_E_TYPEMISMATCH, bad.excepInfo.scode);
}

TEST_F(CollectionsTest, RemoveByNameOrPositionOnly) {
  for (const char* key : {"a", "b", "c"}) dict_->Add(key, std::string(key));
  ComPtr<IDispatch> kept = Item(Str(L"b"));
  for (auto& arg : Args(I2(-1), Str(L"zzz"), R8(1.0), I4(3), I2(-2))) {
    EXPECT_EQ(S_OK, Call(dispatch(), L"Remove", Args(std::move(arg))).hr);
    EXPECT_EQ(3, Count());
  }
  EXPECT_EQ(S_OK, Call(dispatch(), L"Remove", Args(I4(1))).hr);
  EXPECT_EQ((std::vector<std::string>{"a", "c"}), dict_->Keys());
  EXPECT_EQ(S_OK, Call(dispatch(), L"Remove", Args(Str(L"A"))).hr);
  EXPECT_EQ((std::vector<std::string>{"c"}), dict_->Keys());
  // A value a script still holds lives on after its entry went.
  EXPECT_EQ(L"b", InvokeDispatch(kept.Get(), DISPID_VALUE, kGet, {}).Text());
}

TEST_F(CollectionsTest, EnumeratorKeepsItsSnapshotAfterRemoveAll) {
  dict_->SetRawText("a&b");
  dict_->Add("a", std::string());
  dict_->Add("b", std::string());
  ComPtr<IEnumVARIANT> e = Enumerator();
  EXPECT_EQ(S_OK, Call(dispatch(), L"RemoveAll").hr);
  EXPECT_EQ(0, Count());
  EXPECT_EQ(L"", Call(dispatch(), L"Item").Text());
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b"}), Drain(e.Get()));
}

TEST_F(CollectionsTest, EnumeratorAnswersNextSkipResetAndClone) {
  for (const char* key : {"a", "b", "c"}) dict_->Add(key, std::string());
  ComPtr<IEnumVARIANT> e = Enumerator();
  VARIANT two[2];
  EXPECT_EQ(E_INVALIDARG, e->Next(2, two, nullptr));
  ULONG fetched = 99;
  EXPECT_EQ(S_OK, e->Next(2, two, &fetched));
  EXPECT_EQ(2u, fetched);
  EXPECT_STREQ(L"b", V_BSTR(&two[1]));
  VariantClear(&two[0]);
  VariantClear(&two[1]);
  ComPtr<IEnumVARIANT> clone;
  ASSERT_EQ(S_OK, e->Clone(clone.Receive()));
  EXPECT_EQ(S_FALSE, e->Next(2, two, &fetched));  // only c is left
  EXPECT_EQ(1u, fetched);
  EXPECT_STREQ(L"c", V_BSTR(&two[0]));
  EXPECT_EQ(VT_EMPTY, V_VT(&two[1]));
  VariantClear(&two[0]);
  EXPECT_EQ(S_OK, e->Reset());
  EXPECT_EQ(S_OK, e->Skip(0));
  EXPECT_EQ(S_OK, e->Skip(3));
  EXPECT_EQ(S_FALSE, e->Skip(1));
  // The clone starts at the first key, not where its original was.
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c"}), Drain(clone.Get()));
}

TEST_F(CollectionsTest, ValueItemOutsideItsEntriesIsAnEmptyString) {
  dict_->Add("a", std::string("1"));
  dict_->Add("a", std::string("2"));
  ComPtr<IDispatch> value = Item(Str(L"a"));
  for (LONG index : {5, 2, -1}) {
    DispatchOutcome out = Call(value.Get(), L"Item", Args(I4(index)));
    ASSERT_EQ(VT_BSTR, out.result.Type());
    EXPECT_EQ(L"", out.Text());
  }
  EXPECT_EQ(L"1", Call(value.Get(), L"Item", Args(I4(0))).Text());
  // The default member ignores its argument.
  EXPECT_EQ(L"1, 2", InvokeDispatch(value.Get(), DISPID_VALUE, kGet, Args(I4(7))).Text());
}

TEST_F(CollectionsTest, NarrowValuesReadInThePageCodePageUntilTheContextEnds) {
  CodePage page;
  page.value = 65001;
  dict_->SetContext(&page);
  dict_->Add("u", std::string("\xE4\xB8\xAD"));  // 中 in UTF-8
  dict_->Add("g", std::string("\xD6\xD0"));      // 中 in GBK, the thread's code page here
  ComPtr<IDispatch> utf8 = Item(Str(L"u"));
  ComPtr<IDispatch> gbk = Item(Str(L"g"));
  EXPECT_EQ(L"\x4E2D", InvokeDispatch(utf8.Get(), DISPID_VALUE, kGet, {}).Text());
  page.value = 936;  // asked at the time of the call
  EXPECT_EQ(L"\x4E2D", Call(gbk.Get(), L"Item", Args(I4(0))).Text());
  page.value = 0;  // the system ANSI code page
  EXPECT_EQ(L"\x4E2D", InvokeDispatch(gbk.Get(), DISPID_VALUE, kGet, {}).Text());
  page.value = 65001;
  dict_->SetContext(nullptr);  // the page ended: the thread's ANSI code page
  EXPECT_EQ(L"\x4E2D", InvokeDispatch(gbk.Get(), DISPID_VALUE, kGet, {}).Text());
}

TEST_F(CollectionsTest, WideValuesJoinWithNarrowOnesReadInTheSystemCodePage) {
  CodePage page;
  page.value = 65001;
  dict_->SetContext(&page);
  dict_->Add("x", std::string("\xD6\xD0"));
  dict_->Add("x", std::wstring(L"\x4E2D"
                               L"A"));
  ComPtr<IDispatch> value = Item(Str(L"x"));
  EXPECT_EQ(
      L"\x4E2D, \x4E2D"
      L"A",
      InvokeDispatch(value.Get(), DISPID_VALUE, kGet, {}).Text());
  EXPECT_EQ(
      L"\x4E2D"
      L"A",
      Call(value.Get(), L"Item", Args(I4(1))).Text());
}

TEST_F(CollectionsTest, AnswersItsDispatchInterfaceIdentifiers) {
  const IID dictionaryIid = {0x0851C7BF, 0x1D2B, 0x45E0, {0xA8, 0x9B, 0xF9, 0x09, 0x6A, 0x5B, 0xE6, 0x38}};
  const IID valueIid = {0x1B264C5E, 0x317C, 0x4CF1, {0x86, 0x22, 0x07, 0x5C, 0x30, 0xFF, 0xD2, 0xD2}};
  ComPtr<IUnknown> found;
  EXPECT_EQ(S_OK, dispatch()->QueryInterface(dictionaryIid, found.ReceiveVoid()));
  EXPECT_EQ(E_NOINTERFACE, dispatch()->QueryInterface(valueIid, found.ReceiveVoid()));
  ComPtr<IDispatch> value = Item(Str(L"x"));
  EXPECT_EQ(S_OK, value->QueryInterface(valueIid, found.ReceiveVoid()));
  EXPECT_EQ(E_NOINTERFACE, Enumerator()->QueryInterface(dictionaryIid, found.ReceiveVoid()));
}

}  // namespace
