// The Server object's path mapping and encodings.
#include <gtest/gtest.h>

#include "automation/CCmdTarget.h"
#include "script/CServerObject.h"
#include "support/DispatchCall.h"

namespace {

class ServerObjectTest : public testing::Test {
 protected:
  ServerObjectTest() : server_(new CServerObject(nullptr)) { server_->SetDirectories("C:\\site\\\\", "/shop/"); }
  ~ServerObjectTest() override { server_->Release(); }

  std::wstring Call(const wchar_t* member, ScopedVariant arg) {
    IDispatch* dispatch = server_->GetIDispatch(false);
    DispatchOutcome outcome =
        InvokeDispatch(dispatch, DispidOf(dispatch, member), DISPATCH_METHOD, Args(std::move(arg)));
    EXPECT_EQ(S_OK, outcome.hr) << member;
    return outcome.Text();
  }

  CServerObject* server_;
};

TEST_F(ServerObjectTest, MapPathFollowsTheVirtualDirectoryAndNeverLeavesTheRoot) {
  struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"a.asp", L"C:\\site\\shop\\a.asp"},
      {L"/img/", L"C:\\site\\img"},
      {L"../x.asp", L"C:\\site\\x.asp"},
      {L"/", L"C:\\site"},
      {L"", L"C:\\site\\shop"},
      {L"D:\\x", L"C:\\site\\D:\\x"},
      {L"/../../windows/win.ini", L"C:\\site\\windows\\win.ini"},
      {L"..\\..\\..\\boot.ini", L"C:\\site\\boot.ini"},
  };
  for (auto& c : cases) EXPECT_EQ(c.out, Call(L"MapPath", ScopedVariant::String(c.in))) << c.in;
}

TEST_F(ServerObjectTest, HtmlEncodeReplacesTheFiveMarkupCharacters) {
  EXPECT_EQ(L"a&lt;b&gt;&amp;&apos;c&quot;", Call(L"HTMLEncode", ScopedVariant::String(L"a<b>&'c\"")));
}

TEST_F(ServerObjectTest, UrlEncodeKeepsTheSafeBytesAndEscapesTheRest) {
  EXPECT_EQ(L"a+b%26c/d", Call(L"URLEncode", ScopedVariant::String(L"a b&c/d")));
  EXPECT_EQ(L"~user/a+b", Call(L"URLEncode", ScopedVariant::String(L"~user/a b")));
  EXPECT_EQ(L"%C4%E3", Call(L"URLEncode", ScopedVariant::String(L"\u4f60")));  // GBK bytes without a page
  EXPECT_EQ(L"12", Call(L"URLEncode", ScopedVariant::Int(12)));
  EXPECT_EQ("!'()*-./:_~09AZaz%7F%00", UrlEncodeBytes(std::string_view("!'()*-./:_~09AZaz\x7f\0", 19)));
}

TEST_F(ServerObjectTest, CreateObjectFailsWithClassStringAndScriptTimeoutIsStored) {
  IDispatch* dispatch = server_->GetIDispatch(false);
  auto bad = InvokeDispatch(dispatch, DispidOf(dispatch, L"CreateObject"), DISPATCH_METHOD,
                            Args(ScopedVariant::String(L"No.Such.Object")));
  EXPECT_EQ(DISP_E_EXCEPTION, bad.hr);
  EXPECT_EQ(CO_E_CLASSSTRING, bad.excepInfo.scode);
  auto good = InvokeDispatch(dispatch, DispidOf(dispatch, L"CreateObject"), DISPATCH_METHOD,
                             Args(ScopedVariant::String(L"Scripting.Dictionary")));
  EXPECT_EQ(S_OK, good.hr);
  EXPECT_EQ(VT_DISPATCH, good.result.Type());
  EXPECT_EQ(90, server_->GetScriptTimeout());
}

}  // namespace
