// The Request object against an in-memory server: intake, server variables, the body
// shared by the form, BinaryRead and the stream, and the default lookup.
#include <gtest/gtest.h>

#include "FakeRequestContext.h"
#include "FakeServiceProvider.h"
#include "automation/ComPtr.h"
#include "automation/TextConversion.h"
#include "objects/CCookie.h"
#include "objects/CRequestObject.h"
#include "objects/YCookieDictionary.h"
#include "objects/YDicVal.h"
#include "objects/YDictionary.h"
#include "objects/YServerVariablesDictionary.h"
#include "support/DispatchCall.h"

namespace {

constexpr WORD kGet = DISPATCH_PROPERTYGET | DISPATCH_METHOD;
constexpr const char* kFormType = "application/x-www-form-urlencoded";

class RequestObjectTest : public testing::Test {
 protected:
  void SetUp() override {
    host_.variables = {{"REQUEST_METHOD", "GET"},
                       {"QUERY_STRING", "a=1&a=2"},
                       {"SERVER_PORT", "8080"},
                       {"PATH_INFO", "/p.asp"},
                       {"APPL_PHYSICAL_PATH", "C:\\site\\"},
                       {"LOGON_USER", "nobody"},
                       {"CONTENT_LENGTH", "0"},
                       {"REMOTE_HOST", ""}};
    host_.SetHeaders({{"HTTP_HOST", "127.0.0.1"}, {"HTTP_COOKIE", "SESSIONID=s1; c=1; d=x=1&y=2"}});
    host_.queryString = "a=1&a=2";
  }
  void TearDown() override {
    if (request_) request_->Release();
  }
  // Builds the Request object and runs the intake.
  void Intake() {
    request_ = new CRequestObject;
    request_->SetPageContext(&context_);
    ASSERT_TRUE(request_->Intake(&host_, &SplitHeaderLines));
  }
  void PostBody(const std::string& body, const char* type = kFormType, uint32_t preloaded = 0) {
    host_.variables["REQUEST_METHOD"] = "POST";
    host_.variables["CONTENT_TYPE"] = type;
    host_.variables["CONTENT_LENGTH"] = std::to_string(body.size());
    host_.body = body;
    host_.preloaded = preloaded;
  }
  IDispatch* request() { return request_->GetIDispatch(false); }
  DispatchOutcome Get(const wchar_t* member, std::vector<ScopedVariant> args = {}) {
    return InvokeDispatch(request(), DispidOf(request(), member), kGet, std::move(args));
  }
  DispatchOutcome Lookup(const wchar_t* name) { return InvokeDispatch(request(), DISPID_VALUE, kGet, Args(Str(name))); }
  // BinaryRead's bytes as text, "<empty>" for VT_EMPTY.
  std::string BinaryRead(LONG count) {
    DispatchOutcome out = Get(L"BinaryRead", Args(ScopedVariant::Int(count)));
    EXPECT_EQ(S_OK, out.hr);
    if (out.result.Type() == VT_EMPTY) return "<empty>";
    EXPECT_EQ(VT_ARRAY | VT_UI1, out.result.Type());
    SAFEARRAY* array = V_ARRAY(out.result.ptr());
    LONG upper = -1;
    SafeArrayGetUBound(array, 1, &upper);
    return std::string(static_cast<const char*>(array->pvData), static_cast<size_t>(upper + 1));
  }
  std::wstring FormValue(const char* name) {
    YDicVal* value = request_->FormCollection()->Find(name);
    if (!value) return L"<absent>";
    return V_BSTR(value->Value(*ScopedVariant::Missing().ptr()).ptr());
  }

  FakeServiceProvider host_;
  FakeRequestContext context_{&host_};
  CRequestObject* request_ = nullptr;
};

TEST_F(RequestObjectTest, IntakeFillsServerVariablesCookiesAndQueryString) {
  Intake();
  YServerVariablesDictionary* vars = request_->ServerVariablesCollection();
  EXPECT_EQ("s1", request_->SessionId());
  EXPECT_EQ("127.0.0.1", *vars->Find("HTTP_HOST"));
  EXPECT_EQ("SESSIONID=s1; c=1; d=x=1&y=2", *vars->Find("http_cookie"));
  EXPECT_EQ("HTTP_HOST:127.0.0.1\nHTTP_COOKIE:SESSIONID=s1; c=1; d=x=1&y=2\n", *vars->Find("ALL_HTTP"));
  EXPECT_EQ("C:\\site\\", context_.applicationRoot);
  EXPECT_EQ(request_->CookieCollection(), context_.responseCookies);
  EXPECT_EQ((std::vector<std::string>{"c", "d", "SESSIONID"}), request_->CookieCollection()->Names());
  // Request cookies go back only when a script changes them.
  request_->CookieCollection()->WriteSetCookieHeaders(&host_);
  EXPECT_TRUE(host_.headers.empty());
  EXPECT_EQ((std::vector<std::string>{"a"}), request_->QueryStringCollection()->Keys());
  EXPECT_EQ("a=1&a=2", request_->QueryStringCollection()->RawText());
  // The fixed variables are asked in their order, after ALL_HTTP.
  std::vector<std::string> expectedCalls = {"ALL_HTTP",        "ALL_HTTP",    "ALL_RAW",           "CONTENT_LENGTH",
                                            "CONTENT_TYPE",    "PATH_INFO",   "PATH_TRANSLATED",   "QUERY_STRING",
                                            "REMOTE_ADDR",     "REMOTE_HOST", "REQUEST_METHOD",    "SCRIPT_NAME",
                                            "SERVER_NAME",     "SERVER_PORT", "SERVER_PROTOCOL",   "SERVER_SOFTWARE",
                                            "SCRIPT_FILENAME", "URL",         "APPL_PHYSICAL_PATH"};
  EXPECT_EQ(expectedCalls, host_.variableCalls);
}

TEST_F(RequestObjectTest, ServerVariablesEnumerateSortedAndLookUpWithoutTheServer) {
  Intake();
  ComPtr<IDispatch> vars(V_DISPATCH(Get(L"ServerVariables").result.ptr()));
  size_t callsAfterIntake = host_.variableCalls.size();
  DispatchOutcome names = InvokeDispatch(vars.Get(), DISPID_NEWENUM, kGet, {});
  ComPtr<IEnumVARIANT> e;
  ASSERT_EQ(S_OK, e.QueryFrom(V_UNKNOWN(names.result.ptr()), IID_IEnumVARIANT));
  std::vector<std::wstring> order;
  ScopedVariant name;
  while (e->Next(1, name.Receive(), nullptr) == S_OK) order.push_back(V_BSTR(name.ptr()));
  EXPECT_EQ((std::vector<std::wstring>{L"ALL_HTTP", L"APPL_PHYSICAL_PATH", L"CONTENT_LENGTH", L"HTTP_COOKIE",
                                       L"HTTP_HOST", L"PATH_INFO", L"QUERY_STRING", L"REQUEST_METHOD", L"SERVER_PORT"}),
            order);
  EXPECT_EQ(L"GET", InvokeDispatch(vars.Get(), DISPID_VALUE, kGet, Args(Str(L"request_method"))).Text());
  EXPECT_EQ(VT_EMPTY, InvokeDispatch(vars.Get(), DISPID_VALUE, kGet, {}).result.Type());
  EXPECT_EQ(VT_EMPTY, InvokeDispatch(vars.Get(), DISPID_VALUE, kGet, Args(I2(1))).result.Type());
  EXPECT_EQ(VT_EMPTY, InvokeDispatch(vars.Get(), DISPID_VALUE, kGet, Args(Str(L"LOGON_USER"))).result.Type());
  EXPECT_EQ(VT_EMPTY, InvokeDispatch(vars.Get(), DISPID_VALUE, kGet, Args(Str(L"REMOTE_HOST"))).result.Type());
  EXPECT_EQ(L"ALL_HTTP", InvokeDispatch(vars.Get(), DispidOf(vars.Get(), L"Key"), kGet, Args(I2(0))).Text());
  EXPECT_EQ(callsAfterIntake, host_.variableCalls.size());
  EXPECT_EQ(S_OK, InvokeDispatch(vars.Get(), DispidOf(vars.Get(), L"RemoveAll"), kGet, {}).hr);
  EXPECT_EQ(L"0", InvokeDispatch(vars.Get(), DispidOf(vars.Get(), L"Count"), kGet, {}).Text());
  EXPECT_EQ(VT_EMPTY, Lookup(L"REQUEST_METHOD").result.Type());
}

TEST_F(RequestObjectTest, LongServerVariablesAreFetchedWholeAndNeverMixed) {
  std::string longPath = "C:\\" + std::string(3000, 'p');
  host_.variables["PATH_TRANSLATED"] = longPath;
  host_.variables["QUERY_STRING"] = "q";
  host_.variables["SCRIPT_NAME"] = std::string(CRequestObject::kServerVariableBuffer - 1, 's');  // fits exactly
  host_.variables["URL"] = std::string(CRequestObject::kServerVariableBuffer, 'u');              // one too many
  Intake();
  YServerVariablesDictionary* vars = request_->ServerVariablesCollection();
  EXPECT_EQ(longPath, *vars->Find("PATH_TRANSLATED"));
  EXPECT_EQ("q", *vars->Find("QUERY_STRING"));
  EXPECT_EQ(CRequestObject::kServerVariableBuffer - 1, vars->Find("SCRIPT_NAME")->size());
  EXPECT_EQ(CRequestObject::kServerVariableBuffer, vars->Find("URL")->size());
}

TEST_F(RequestObjectTest, ServerVariablesAboveTheSizeLimitAreLeftOut) {
  const size_t limit = CRequestObject::kMaxServerVariableBytes;  // bytes with the NUL
  host_.variables["PATH_TRANSLATED"] = std::string(limit - 1, 'a');
  host_.variables["URL"] = std::string(limit, 'b');
  Intake();
  EXPECT_EQ(limit - 1, request_->ServerVariablesCollection()->Find("PATH_TRANSLATED")->size());
  EXPECT_EQ(nullptr, request_->ServerVariablesCollection()->Find("URL"));
}

TEST_F(RequestObjectTest, FirstValueOfAServerVariableWins) {
  host_.SetHeaders({{"HTTP_X", "first"}, {"HTTP_x", "second"}});
  Intake();
  EXPECT_EQ("first", *request_->ServerVariablesCollection()->Find("HTTP_X"));
}

TEST_F(RequestObjectTest, OnlyTheExactFormTypeLoadsTheForm) {
  struct Case {
    const char* type;
    bool form;
  } cases[] = {
      {"application/x-www-form-urlencoded", true},
      {"Application/X-WWW-Form-URLEncoded", true},
      {"application/x-www-form-urlencoded; charset=UTF-8", false},
      {"multipart/form-data", false},
  };
  for (const Case& c : cases) {
    SetUp();
    host_ = FakeServiceProvider();
    PostBody("x=1&y=2", c.type);
    if (request_) request_->Release();
    Intake();
    ComPtr<IDispatch> form(V_DISPATCH(Get(L"Form").result.ptr()));
    EXPECT_EQ(c.form ? 2 : 0, request_->FormCollection()->Count()) << c.type;
    EXPECT_EQ(c.form ? "<empty>" : "x=1&y=2", BinaryRead(100)) << c.type;
  }
}

TEST_F(RequestObjectTest, FormJoinsPreloadedBytesAndClientReads) {
  std::string big = "a=1&b=" + std::string(50000, 'z') + "&c=%41";
  PostBody(big, kFormType, 49152);
  host_.readChunk = 1000;
  Intake();
  request_->LoadForm();
  EXPECT_EQ(L"1", FormValue("a"));
  EXPECT_EQ(50000u, FormValue("b").size());
  EXPECT_EQ(L"A", FormValue("c"));
  EXPECT_TRUE(big == request_->FormCollection()->RawText());
  EXPECT_EQ(static_cast<int>((big.size() - 49152 + 999) / 1000), host_.readCalls);
  // Loaded once: a second use reads nothing more.
  request_->LoadForm();
  EXPECT_EQ(static_cast<int>((big.size() - 49152 + 999) / 1000), host_.readCalls);
}

TEST_F(RequestObjectTest, FormSizeLimitIsInclusive) {
  for (uint32_t size : {YRequestBody::kMaxFormBytes, YRequestBody::kMaxFormBytes + 1}) {
    if (request_) request_->Release();
    request_ = nullptr;
    host_ = FakeServiceProvider();
    std::string body = "a=" + std::string(size - 2, 'v');
    PostBody(body, kFormType, size);
    Intake();
    request_->LoadForm();
    EXPECT_EQ(size == YRequestBody::kMaxFormBytes ? 1 : 0, request_->FormCollection()->Count()) << size;
    // Either way the body has been taken as the form.
    EXPECT_EQ("<empty>", BinaryRead(10));
  }
}

TEST_F(RequestObjectTest, FailedClientReadLeavesTheFormEmpty) {
  PostBody("a=1&b=2", kFormType, 3);
  host_.readChunk = 2;
  host_.failReadsAfter = 1;
  Intake();
  request_->LoadForm();
  EXPECT_EQ(0, request_->FormCollection()->Count());
  EXPECT_EQ("", request_->FormCollection()->RawText());
}

TEST_F(RequestObjectTest, FormAfterPartOfTheBodyWasReadTakesWhatRemains) {
  PostBody("skip&a=1", kFormType, 2);
  Intake();
  EXPECT_EQ("skip&", BinaryRead(5));
  request_->LoadForm();
  EXPECT_EQ(L"1", FormValue("a"));
  EXPECT_EQ(1, request_->FormCollection()->Count());
}

TEST_F(RequestObjectTest, BinaryReadClampsToTheBodyAndThenAnswersEmpty) {
  PostBody("wxyz", "text/plain", 1);
  Intake();
  EXPECT_EQ("<empty>", BinaryRead(0));
  EXPECT_EQ("<empty>", BinaryRead(-1));
  EXPECT_EQ("wxyz", BinaryRead(10));
  EXPECT_EQ("<empty>", BinaryRead(10));
  EXPECT_EQ(L"4", Get(L"TotalBytes").Text());
  // Form on a request that is no form leaves the body alone.
  Get(L"Form");
  EXPECT_EQ(0, request_->FormCollection()->Count());
}

TEST_F(RequestObjectTest, BinaryReadAfterTheFormAnswersEmptyEvenWithNothingConsumed) {
  PostBody("a=1", kFormType);
  Intake();
  Get(L"Form");
  EXPECT_EQ("<empty>", BinaryRead(3));
  EXPECT_EQ(L"3", Get(L"TotalBytes").Text());
}

TEST_F(RequestObjectTest, BodyAboveThePreloadIsReadWhole) {
  std::string body(60000, '\0');
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
  PostBody(body, "application/octet-stream", 49152);
  host_.readChunk = 4000;
  Intake();
  EXPECT_TRUE(body == BinaryRead(100000));
}

TEST_F(RequestObjectTest, StreamReadsTheSameBodyAndEndsWithSFalse) {
  PostBody("0123456789", "text/plain", 4);
  host_.readChunk = 3;
  Intake();
  ComPtr<IStream> stream;
  ASSERT_EQ(S_OK, stream.QueryFrom(request(), IID_IStream));
  char buffer[8] = {};
  ULONG read = 0;
  EXPECT_EQ(S_OK, stream->Read(buffer, 6, &read));
  EXPECT_EQ(6u, read);
  EXPECT_EQ("012345", std::string(buffer, read));
  EXPECT_EQ("67", BinaryRead(2));
  EXPECT_EQ(S_OK, stream->Read(buffer, 8, &read));
  EXPECT_EQ("89", std::string(buffer, read));
  EXPECT_EQ(S_FALSE, stream->Read(buffer, 8, &read));
  EXPECT_EQ(0u, read);
  EXPECT_EQ(S_FALSE, stream->Write(buffer, 1, &read));
  EXPECT_EQ(S_OK, stream->Commit(0));
  // The stream is an interface of the Request object itself.
  ComPtr<IUnknown> a, b;
  stream->QueryInterface(IID_IUnknown, a.ReceiveVoid());
  request()->QueryInterface(IID_IUnknown, b.ReceiveVoid());
  EXPECT_EQ(a.Get(), b.Get());
}

TEST_F(RequestObjectTest, StreamReportsOnlyTheBytesDeliveredWhenTheClientFails) {
  PostBody("0123456789", "text/plain", 2);
  host_.readChunk = 3;
  host_.failReadsAfter = 1;
  Intake();
  ComPtr<IStream> stream;
  ASSERT_EQ(S_OK, stream.QueryFrom(request(), IID_IStream));
  char buffer[10];
  ULONG read = 0;
  EXPECT_EQ(S_FALSE, stream->Read(buffer, 10, &read));
  EXPECT_EQ(5u, read);
  EXPECT_EQ("01234", std::string(buffer, read));
}

TEST_F(RequestObjectTest, DefaultLookupSearchesQueryFormCookiesThenServerVariables) {
  PostBody("a=form&f=1&f=2", kFormType);
  Intake();
  EXPECT_EQ(L"1, 2", Lookup(L"a").Text());  // the query string shadows the form
  EXPECT_EQ(L"1, 2", Lookup(L"F").Text());  // the form joins its raw values
  DispatchOutcome session = Lookup(L"SESSIONID");
  ASSERT_EQ(VT_DISPATCH, session.result.Type());
  EXPECT_EQ(L"s1", InvokeDispatch(V_DISPATCH(session.result.ptr()), DISPID_VALUE, kGet, {}).Text());
  EXPECT_EQ(L"POST", Lookup(L"request_method").Text());
  LONG cookies = request_->CookieCollection()->Count();
  EXPECT_EQ(VT_EMPTY, Lookup(L"nowhere").result.Type());
  EXPECT_EQ(cookies, request_->CookieCollection()->Count());
  DispatchOutcome omitted = InvokeDispatch(request(), DISPID_VALUE, kGet, {});
  EXPECT_EQ(DISP_E_EXCEPTION, omitted.hr);
  EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL, omitted.excepInfo.scode);
}

TEST_F(RequestObjectTest, CollectionsAreSharedAndClientCertificateIsFreshAndEmpty) {
  Intake();
  DispatchOutcome q1 = Get(L"QueryString"), q2 = Get(L"QueryString");
  EXPECT_EQ(V_DISPATCH(q1.result.ptr()), V_DISPATCH(q2.result.ptr()));
  DispatchOutcome c1 = Get(L"ClientCertificate"), c2 = Get(L"ClientCertificate");
  EXPECT_NE(V_DISPATCH(c1.result.ptr()), V_DISPATCH(c2.result.ptr()));
  EXPECT_EQ(
      L"0",
      InvokeDispatch(V_DISPATCH(c1.result.ptr()), DispidOf(V_DISPATCH(c1.result.ptr()), L"Count"), kGet, {}).Text());
  // Request.QueryString("a") applies the argument to the collection's default member.
  DispatchOutcome value = Get(L"QueryString", Args(Str(L"a")));
  ASSERT_EQ(VT_DISPATCH, value.result.Type());
  EXPECT_EQ(L"1, 2", InvokeDispatch(V_DISPATCH(value.result.ptr()), DISPID_VALUE, kGet, {}).Text());
  const IID requestIid = {0x8651C3A1, 0x145D, 0x424B, {0x89, 0x1E, 0x51, 0xA5, 0x83, 0x6F, 0xA1, 0xB4}};
  ComPtr<IUnknown> found;
  EXPECT_EQ(S_OK, request()->QueryInterface(requestIid, found.ReceiveVoid()));
}

TEST_F(RequestObjectTest, EndRequestEmptiesTheCollectionsAndValuesOutliveTheContext) {
  host_.queryString = "g=%D6%D0";
  context_.codePage = 65001;
  Intake();
  ComPtr<IDispatch> value(V_DISPATCH(Get(L"QueryString", Args(Str(L"g"))).result.ptr()));
  ComPtr<IDispatch> query(V_DISPATCH(Get(L"QueryString").result.ptr()));
  request_->EndRequest();
  EXPECT_EQ(0, request_->QueryStringCollection()->Count());
  EXPECT_EQ(0, request_->CookieCollection()->Count());
  EXPECT_EQ(0, request_->ServerVariablesCollection()->Count());
  EXPECT_EQ(L"\x4E2D", InvokeDispatch(value.Get(), DISPID_VALUE, kGet, {}).Text());  // thread code page 936
  EXPECT_EQ("<empty>", BinaryRead(1));
  request_->Release();
  request_ = nullptr;
  EXPECT_EQ(L"0", InvokeDispatch(query.Get(), DispidOf(query.Get(), L"Count"), kGet, {}).Text());
}

TEST_F(RequestObjectTest, HeaderBlockWithoutAFinalLineFeedStillDeliversItsLastLine) {
  host_.variables["ALL_HTTP"] = "HTTP_A:1\nHTTP_COOKIE:z=9";
  Intake();
  EXPECT_EQ("9", request_->CookieCollection()->FindCookie("z")->Data().value);
}

}  // namespace
