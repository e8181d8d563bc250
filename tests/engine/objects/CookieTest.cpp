// Cookies: the request header parser, the cookie objects as scripts drive them, and the
// "Set-Cookie" lines, byte for byte.
#include <gtest/gtest.h>

#include "FakeServiceProvider.h"
#include "automation/ComPtr.h"
#include "automation/TextConversion.h"
#include "objects/CCookie.h"
#include "objects/CookieText.h"
#include "objects/YCookieDictionary.h"
#include "objects/YHashedStringMap.h"
#include "support/DispatchCall.h"

namespace {

constexpr WORD kGet = DISPATCH_PROPERTYGET | DISPATCH_METHOD;

// name=value or name={key:value,...}, then [attribute:text] in write order.
std::string Describe(const YCookieData& cookie) {
  std::string text = cookie.name + "=";
  if (!cookie.keys.empty()) {
    text += "{";
    cookie.keys.ForEach([&](const std::string& k, const std::string& v) { text += k + ":" + v + ","; });
    text += "}";
  }
  text += cookie.value;
  cookie.attributes.ForEach([&](const std::string& n, const std::string& v) { text += "[" + n + ":" + v + "]"; });
  return text;
}

ScopedVariant I4(LONG value) { return ScopedVariant::Int(value); }

ScopedVariant Date(int year, int month, int day, int hour = 0, int minute = 0) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(year);
  time.wMonth = static_cast<WORD>(month);
  time.wDay = static_cast<WORD>(day);
  time.wHour = static_cast<WORD>(hour);
  time.wMinute = static_cast<WORD>(minute);
  DATE date = 0;
  SystemTimeToVariantTime(&time, &date);
  return ScopedVariant::Date(date);
}

bool MachineRunsOnUtc() {
  TIME_ZONE_INFORMATION zone;
  DWORD kind = GetTimeZoneInformation(&zone);
  return zone.Bias == 0 && (kind == TIME_ZONE_ID_UNKNOWN || zone.DaylightBias == 0);
}

class CookieTest : public testing::Test {
 protected:
  void SetUp() override { cookies_ = new YCookieDictionary; }
  void TearDown() override { cookies_->Release(); }

  IDispatch* dispatch() { return cookies_->GetIDispatch(false); }
  std::vector<std::string> Contents() {
    std::vector<std::string> all;
    for (const std::string& name : cookies_->Names()) all.push_back(Describe(cookies_->FindCookie(name)->Data()));
    return all;
  }
  std::vector<std::string> Lines() {
    FakeServiceProvider host;
    cookies_->WriteSetCookieHeaders(&host);
    std::vector<std::string> lines;
    for (const auto& [name, value] : host.headers) {
      EXPECT_EQ("Set-Cookie", name);
      lines.push_back(value);
    }
    return lines;
  }
  // The cookie of name through the collection's default member (created when absent).
  ComPtr<IDispatch> Cookie(ScopedVariant name) {
    DispatchOutcome out = InvokeDispatch(dispatch(), DISPID_VALUE, kGet, Args(std::move(name)));
    EXPECT_EQ(S_OK, out.hr);
    return out.result.Type() == VT_DISPATCH ? ComPtr<IDispatch>(V_DISPATCH(out.result.ptr())) : nullptr;
  }
  ComPtr<IDispatch> Cookie(const wchar_t* name) { return Cookie(Str(name)); }
  static DispatchOutcome Put(IDispatch* object, const wchar_t* member, ScopedVariant value) {
    return InvokeDispatch(object, DispidOf(object, member), DISPATCH_PROPERTYPUT, Args(std::move(value)));
  }
  static DispatchOutcome Get(IDispatch* object, const wchar_t* member, std::vector<ScopedVariant> args = {}) {
    return InvokeDispatch(object, DispidOf(object, member), kGet, std::move(args));
  }
  // cookie(key) = value
  static DispatchOutcome PutKey(IDispatch* cookie, const wchar_t* key, const wchar_t* value) {
    return InvokeDispatch(cookie, DISPID_VALUE, DISPATCH_PROPERTYPUT, Args(Str(key), Str(value)));
  }

  YCookieDictionary* cookies_ = nullptr;
};

TEST_F(CookieTest, RequestHeadersParseAsTheRulesSay) {
  struct Case {
    const char* header;
    std::vector<std::string> expected;
  } cases[] = {
      {"a=1; b=x=1&y=2", {"a=1", "b={x:1,y:2,}"}},
      {"$Version=1; a=1; $Path=/p", {"a=1[Path:/p]"}},
      {"$Path=/p; a=1", {}},
      {" a =1", {"a=1"}},
      {"a=1; A=2", {"A=2"}},
      {"a=1&&b=2", {"a={1:,}"}},
      {"a=k=1&m&=3", {"a={:3,k:1,m:,}"}},  // "" is in bucket 0
      {"a=; b; =1; c=3", {"c=3"}},
      {"a=1; $$Domain=d; $Secure=", {"a=1[Domain:d]"}},
      {"a=1;b=2;;", {"a=1", "b=2"}},
      {"", {}},
      {"\xD6;=1; c=2", {"c=2", "\xD6;=1"}},  // a lead byte keeps the ";" after it (936 here)
  };
  for (const Case& c : cases) {
    cookies_->ClearCookies();
    std::string session;
    cookies_->ParseCookieHeader(c.header, &session);
    EXPECT_EQ(c.expected, Contents()) << c.header;
    EXPECT_EQ(c.header, cookies_->RawText());
  }
}

TEST_F(CookieTest, SessionIdIsTakenFromTheExactNameEvenWhenThePairIsSkipped) {
  struct Case {
    const char* header;
    const char* session;
  } cases[] = {
      {"SESSIONID=abc; a=1", "abc"},          {"sessionid=abc", ""},
      {"a=1; SESSIONID=x; SESSIONID=y", "y"}, {"SESSIONID=", ""},
      {" SESSIONID =q; $Path=/", "q"},
  };
  for (const Case& c : cases) {
    std::string session;
    cookies_->ParseCookieHeader(c.header, &session);
    EXPECT_EQ(c.session, session) << c.header;
  }
}

TEST_F(CookieTest, ParsedCookiesGoOutOnlyWhenChanged) {
  std::string session;
  cookies_->ParseCookieHeader("a=1; b=x=1&y=2", &session);
  cookies_->ClearChanged();
  EXPECT_TRUE(Lines().empty());
  ComPtr<IDispatch> a = Cookie(L"a");
  EXPECT_EQ(L"1", InvokeDispatch(a.Get(), DISPID_VALUE, kGet, {}).Text());
  ComPtr<IDispatch> b = Cookie(L"b");
  EXPECT_EQ(L"-1", Get(b.Get(), L"HasKeys").Text());
  EXPECT_EQ(L"1", InvokeDispatch(b.Get(), DISPID_VALUE, kGet, Args(Str(L"x"))).Text());
  EXPECT_EQ(VT_EMPTY, InvokeDispatch(b.Get(), DISPID_VALUE, kGet, Args(Str(L"X"))).result.Type());
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(S_OK, PutKey(b.Get(), L"z", L"3").hr);
  EXPECT_EQ((std::vector<std::string>{"b=x=1&y=2&z=3; path=/"}), Lines());
}

TEST_F(CookieTest, SetCookieLinesMatchTheExamples) {
  ComPtr<IDispatch> a = Cookie(L"a");
  EXPECT_EQ(S_OK, InvokeDispatch(dispatch(), DISPID_VALUE, DISPATCH_PROPERTYPUT, Args(Str(L"a"), I4(1))).hr);
  EXPECT_EQ((std::vector<std::string>{"a=1; path=/"}), Lines());

  cookies_->ClearCookies();
  ComPtr<IDispatch> keyed = Cookie(L"a");
  EXPECT_EQ(S_OK, PutKey(keyed.Get(), L"y", L"2").hr);
  EXPECT_EQ(S_OK, PutKey(keyed.Get(), L"x", L"1").hr);
  EXPECT_EQ((std::vector<std::string>{"a=x=1&y=2; path=/"}), Lines());

  cookies_->ClearCookies();
  ComPtr<IDispatch> empty = Cookie(L"e");
  EXPECT_EQ(S_OK, PutKey(empty.Get(), L"k", L"").hr);
  EXPECT_EQ((std::vector<std::string>{"e=k; path=/"}), Lines());
}

TEST_F(CookieTest, SecureAndPathOrderFollowsTheHashBuckets) {
  struct Case {
    std::vector<const wchar_t*> steps;
    const char* line;
  } cases[] = {
      {{L"Secure", L"Path"}, "a=1; path=/x; secure= "},
      {{L"Path", L"Secure"}, "a=1; secure= ; path=/x"},
      {{L"Secure"}, "a=1; path=/; secure= "},
      {{L"Domain"}, "a=1; domain=d.example; path=/"},
  };
  for (const Case& c : cases) {
    cookies_->ClearCookies();
    InvokeDispatch(dispatch(), DISPID_VALUE, DISPATCH_PROPERTYPUT, Args(Str(L"a"), Str(L"1")));
    ComPtr<IDispatch> a = Cookie(L"a");
    for (const wchar_t* step : c.steps) {
      ScopedVariant value = std::wstring(step) == L"Secure" ? ScopedVariant::Bool(true)
                            : std::wstring(step) == L"Path" ? Str(L"/x")
                                                            : Str(L"d.example");
      EXPECT_EQ(S_OK, Put(a.Get(), step, std::move(value)).hr);
    }
    EXPECT_EQ((std::vector<std::string>{c.line}), Lines());
  }
}

TEST_F(CookieTest, SecureFalseRemovesTheAttributeAndPropertiesReadBack) {
  ComPtr<IDispatch> a = Cookie(L"a");
  Put(a.Get(), L"Secure", ScopedVariant::Bool(true));
  EXPECT_EQ(L"-1", Get(a.Get(), L"Secure").Text());
  Put(a.Get(), L"Secure", ScopedVariant::Bool(false));
  EXPECT_EQ(L"0", Get(a.Get(), L"Secure").Text());
  Put(a.Get(), L"Domain", Str(L"d"));
  Put(a.Get(), L"Path", Str(L"/p"));
  EXPECT_EQ(L"d", Get(a.Get(), L"Domain").Text());
  EXPECT_EQ(L"/p", Get(a.Get(), L"Path").Text());
  EXPECT_EQ((std::vector<std::string>{"a=; domain=d; path=/p"}), Lines());
}

TEST_F(CookieTest, HashOrderPutsNamesInTheirBuckets) {
  struct Case {
    const char* name;
    uint32_t bucket;
  } cases[] = {{"expires", 0},
               {"domain", 4},
               {"path", 7},
               {"secure", 7},
               {"x", 1},
               {"y", 2},
               {"\x80"
                "a",
                5}};
  for (const Case& c : cases) EXPECT_EQ(c.bucket, YHashedStringMap::Hash(c.name) % 17) << c.name;
  YHashedStringMap map;
  for (const char* name : {"path", "secure", "x", "expires"}) map.Set(name, "v");
  map.Set("path", "changed");  // keeps its place
  std::string order;
  map.ForEach([&](const std::string& n, const std::string& v) { order += n + "=" + v + ";"; });
  EXPECT_EQ("expires=v;x=v;secure=v;path=changed;", order);
}

TEST_F(CookieTest, ExpiresIsFormattedInGmt) {
  SYSTEMTIME utc{};
  utc.wYear = 2026;
  utc.wMonth = 1;
  utc.wDay = 1;
  EXPECT_EQ("Thu, 01-Jan-2026 00:00:00 GMT", FormatCookieExpires(utc));
  utc = SYSTEMTIME{2024, 2, 0, 29, 23, 5, 9, 0};
  EXPECT_EQ("Thu, 29-Feb-2024 23:05:09 GMT", FormatCookieExpires(utc));
  SYSTEMTIME back{};
  ASSERT_TRUE(ParseCookieExpires("Thu, 29-Feb-2024 23:05:09 GMT", &back));
  EXPECT_EQ(2024, back.wYear);
  EXPECT_EQ(9, back.wSecond);
  EXPECT_FALSE(ParseCookieExpires("Thu, 29-Foo-2024 23:05:09 GMT", &back));
  EXPECT_FALSE(ParseCookieExpires("Thu, 29-Feb-2024 23:05:09 GMT trailing", &back));
}

TEST_F(CookieTest, ExpiresThroughTheCookieOnAUtcMachine) {
  if (!MachineRunsOnUtc()) GTEST_SKIP() << "the machine's time zone is not UTC";
  InvokeDispatch(dispatch(), DISPID_VALUE, DISPATCH_PROPERTYPUT, Args(Str(L"a"), Str(L"1")));
  ComPtr<IDispatch> a = Cookie(L"a");
  EXPECT_EQ(S_OK, Put(a.Get(), L"Expires", Date(2026, 1, 1)).hr);
  EXPECT_EQ((std::vector<std::string>{"a=1; expires=Thu, 01-Jan-2026 00:00:00 GMT; path=/"}), Lines());
  Put(a.Get(), L"Domain", Str(L"example.org"));
  EXPECT_EQ((std::vector<std::string>{"a=1; expires=Thu, 01-Jan-2026 00:00:00 GMT; domain=example.org; path=/"}),
            Lines());
  DispatchOutcome expires = Get(a.Get(), L"Expires");
  ASSERT_EQ(VT_DATE, expires.result.Type());
  EXPECT_EQ(V_DATE(Date(2026, 1, 1).ptr()), V_DATE(expires.result.ptr()));
}

TEST_F(CookieTest, ReadingAnAbsentCookieCreatesAChangedEmptyOne) {
  ComPtr<IDispatch> missing = Cookie(L"missing");
  ComPtr<IDispatch> one = Cookie(I4(1));
  EXPECT_EQ(2, cookies_->Count());
  EXPECT_EQ((std::vector<std::string>{"1=; path=/", "missing=; path=/"}), Lines());
  EXPECT_EQ(L"", InvokeDispatch(dispatch(), DISPID_VALUE, kGet, {}).Text());  // raw text
}

TEST_F(CookieTest, SingleValueAndSubKeysReplaceEachOther) {
  std::string session;
  cookies_->ParseCookieHeader("a=1; b=x=1&y=2", &session);
  ComPtr<IDispatch> a = Cookie(L"a");
  PutKey(a.Get(), L"k", L"v");
  InvokeDispatch(dispatch(), DISPID_VALUE, DISPATCH_PROPERTYPUT, Args(Str(L"b"), Str(L"plain")));
  EXPECT_EQ((std::vector<std::string>{"a={k:v,}", "b=plain"}), Contents());
  EXPECT_EQ(L"", InvokeDispatch(a.Get(), DISPID_VALUE, kGet, {}).Text());
}

TEST_F(CookieTest, KeyAnswersTheCookieObjectInNameOrder) {
  std::string session;
  cookies_->ParseCookieHeader("b=2; A=1", &session);
  DispatchOutcome first = Get(dispatch(), L"Key", Args(I4(0)));
  ASSERT_EQ(VT_DISPATCH, first.result.Type());
  EXPECT_EQ(L"1", InvokeDispatch(V_DISPATCH(first.result.ptr()), DISPID_VALUE, kGet, {}).Text());
  EXPECT_EQ(VT_EMPTY, Get(dispatch(), L"Key", Args(I4(2))).result.Type());
  DispatchOutcome names = InvokeDispatch(dispatch(), DISPID_NEWENUM, kGet, {});
  ComPtr<IEnumVARIANT> e;
  ASSERT_EQ(S_OK, e.QueryFrom(V_UNKNOWN(names.result.ptr()), IID_IEnumVARIANT));
  ScopedVariant name;
  ASSERT_EQ(S_OK, e->Next(1, name.Receive(), nullptr));
  EXPECT_STREQ(L"A", V_BSTR(name.ptr()));
}

TEST_F(CookieTest, SubKeyEnumeratorSkipsClonesAndSurvivesChanges) {
  ComPtr<IDispatch> c = Cookie(L"c");
  for (const wchar_t* key : {L"k1", L"k2", L"k3", L"k4", L"k5"}) PutKey(c.Get(), key, L"v");
  DispatchOutcome out = InvokeDispatch(c.Get(), DISPID_NEWENUM, kGet, {});
  ComPtr<IEnumVARIANT> e;
  ASSERT_EQ(S_OK, e.QueryFrom(V_UNKNOWN(out.result.ptr()), IID_IEnumVARIANT));
  EXPECT_EQ(S_OK, e->Skip(2));
  ComPtr<IEnumVARIANT> clone;
  ASSERT_EQ(S_OK, e->Clone(clone.Receive()));
  EXPECT_EQ(S_FALSE, e->Skip(10));
  VARIANT three[3];
  ULONG fetched = 0;
  EXPECT_EQ(S_OK, clone->Next(3, three, &fetched));  // the clone took over the position
  EXPECT_EQ(3u, fetched);
  for (VARIANT& v : three) VariantClear(&v);
  EXPECT_EQ(E_INVALIDARG, clone->Next(2, three, nullptr));
  EXPECT_EQ(S_OK, e->Reset());
  ScopedVariant name;
  int seen = 0;
  while (e->Next(1, name.Receive(), nullptr) == S_OK && seen < 100) {
    ++seen;
    // Replacing every sub-key mid-walk: the walk may end early or repeat, never fail.
    InvokeDispatch(dispatch(), DISPID_VALUE, DISPATCH_PROPERTYPUT, Args(Str(L"c"), Str(L"single")));
    PutKey(c.Get(), L"n", L"1");
  }
  EXPECT_LT(seen, 100);
  c.Reset();
  cookies_->ClearCookies();  // the enumerator keeps its cookie alive
  EXPECT_EQ(S_OK, e->Reset());
  EXPECT_EQ(S_OK, e->Next(1, name.Receive(), nullptr));
  EXPECT_STREQ(L"n", V_BSTR(name.ptr()));
}

TEST_F(CookieTest, TextThatWouldSplitTheHeaderIsRefusedAndChangesNothing) {
  std::string session;
  cookies_->ParseCookieHeader("a=1", &session);
  cookies_->ClearChanged();
  ComPtr<IDispatch> a = Cookie(L"a");
  struct Attempt {
    const char* what;
    DispatchOutcome outcome;
  };
  std::vector<Attempt> attempts;
  attempts.push_back({"name in get", InvokeDispatch(dispatch(), DISPID_VALUE, kGet, Args(Str(L"x\r\nSet-Cookie: y")))});
  attempts.push_back(
      {"name in put", InvokeDispatch(dispatch(), DISPID_VALUE, DISPATCH_PROPERTYPUT, Args(Str(L"b;c"), Str(L"1")))});
  attempts.push_back({"value in put", InvokeDispatch(dispatch(), DISPID_VALUE, DISPATCH_PROPERTYPUT,
                                                     Args(Str(L"a"), Str(L"1\nX: y")))});
  attempts.push_back({"sub-key name", PutKey(a.Get(), L"k;path", L"1")});
  attempts.push_back({"sub-key value", PutKey(a.Get(), L"k", L"1\r")});
  attempts.push_back({"path", Put(a.Get(), L"Path", Str(L"/\r\nX: y"))});
  attempts.push_back({"domain", Put(a.Get(), L"Domain", Str(L"d\n"))});
  for (const Attempt& attempt : attempts) {
    EXPECT_EQ(DISP_E_EXCEPTION, attempt.outcome.hr) << attempt.what;
    EXPECT_EQ(E_INVALIDARG, attempt.outcome.excepInfo.scode) << attempt.what;
  }
  EXPECT_EQ((std::vector<std::string>{"a=1"}), Contents());
  EXPECT_TRUE(Lines().empty());
  // A ";" in a value is the script's own text, not a new header.
  EXPECT_EQ(S_OK, PutKey(a.Get(), L"k", L"1;2").hr);
}

}  // namespace
