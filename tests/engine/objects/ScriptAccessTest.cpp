// The Request object and the cookie collection in the platform's real VBScript and
// JScript engines, used the way page scripts use them: through the objects' own names,
// through variables, and as members of a global-members item (which is how Request("x")
// reaches the object under Wine, whose engines cannot call a named item with arguments).
#include <gtest/gtest.h>

#include <memory>

#include "FakeRequestContext.h"
#include "FakeServiceProvider.h"
#include "automation/CCmdTarget.h"
#include "automation/YAutomationError.h"
#include "objects/CRequestObject.h"
#include "objects/YCookieDictionary.h"
#include "support/TestScriptHost.h"

namespace {

// Stands in for the Response object: only its Cookies property.
class FakeResponse : public CCmdTarget {
 public:
  YCookieDictionary* cookies = nullptr;

 protected:
  const YDispatchMap& GetDispatchMap() const override {
    static constexpr YDispatchEntry kEntries[] = {DispProperty<&FakeResponse::Cookies>("Cookies")};
    static constexpr YDispatchMap kMap(kEntries);
    return kMap;
  }

 private:
  ComPtr<IDispatch> Cookies() { return ComPtr<IDispatch>(cookies->GetIDispatch(false)); }
};

// A global-members item whose properties are the page's objects.
class PageItems : public CCmdTarget {
 public:
  IDispatch* request = nullptr;
  IDispatch* response = nullptr;

 protected:
  const YDispatchMap& GetDispatchMap() const override {
    static constexpr YDispatchEntry kEntries[] = {
        DispProperty<&PageItems::Request>("Request"),
        DispProperty<&PageItems::Response>("Response"),
    };
    static constexpr YDispatchMap kMap(kEntries);
    return kMap;
  }

 private:
  ComPtr<IDispatch> Request() { return ComPtr<IDispatch>(request); }
  ComPtr<IDispatch> Response() { return ComPtr<IDispatch>(response); }
};

struct Mode {
  ScriptLanguage language;
  bool globalMembers;
};

class ScriptAccessTest : public testing::TestWithParam<Mode> {
 protected:
  void SetUp() override {
    host_.variables = {
        {"REQUEST_METHOD", "POST"}, {"CONTENT_TYPE", "application/x-www-form-urlencoded"}, {"SERVER_PORT", "8080"}};
    host_.SetHeaders({{"HTTP_COOKIE", "SESSIONID=s1; c=k=1&j=2"}});
    host_.queryString = "a=1&a=2&b=x";
    host_.body = "x=1&x=2&y=%u4E2D";
    request_ = new CRequestObject;
    request_->SetPageContext(&context_);
    ASSERT_TRUE(request_->Intake(&host_, &SplitHeaderLines));
    response_ = new FakeResponse;
    response_->cookies = context_.responseCookies;
    page_ = new PageItems;
    page_->request = request_->GetIDispatch(false);
    page_->response = response_->GetIDispatch(false);

    script_ = std::make_unique<TestScriptHost>(GetParam().language);
    ASSERT_TRUE(script_->ok());
    if (GetParam().globalMembers) {
      ASSERT_EQ(S_OK, script_->AddItem(L"Page", page_->GetUnknown(), true));
    } else {
      ASSERT_EQ(S_OK, script_->AddItem(L"Request", request_->GetUnknown()));
      ASSERT_EQ(S_OK, script_->AddItem(L"Response", response_->GetUnknown()));
    }
  }
  void TearDown() override {
    script_.reset();
    page_->Release();
    response_->Release();
    request_->EndRequest();
    request_->Release();
  }
  bool vbs() const { return GetParam().language == ScriptLanguage::kVBScript; }
  void RunOk(const std::wstring& code) {
    EXPECT_EQ(S_OK, script_->Run(code)) << code;
    EXPECT_TRUE(script_->errors().empty())
        << code << " reported 0x" << std::hex << (script_->errors().empty() ? 0 : script_->errors()[0].scode);
  }
  std::vector<std::string> SetCookieLines() {
    FakeServiceProvider out;
    context_.responseCookies->WriteSetCookieHeaders(&out);
    std::vector<std::string> lines;
    for (const auto& header : out.headers) lines.push_back(header.second);
    return lines;
  }

  FakeServiceProvider host_;
  FakeRequestContext context_{&host_};
  CRequestObject* request_ = nullptr;
  FakeResponse* response_ = nullptr;
  PageItems* page_ = nullptr;
  std::unique_ptr<TestScriptHost> script_;
};

TEST_P(ScriptAccessTest, ScriptsReadQueryStringFormAndCookiesThroughAVariable) {
  if (vbs()) {
    RunOk(
        L"Set r = Request\n"
        L"s = r.QueryString(\"a\") & \"|\" & r.QueryString(\"a\").Count & \"|\" & r.Form(\"x\").Count\n"
        L"s = s & \"|\" & r.Form(\"X\") & \"|\" & r(\"a\") & \"|\" & r(\"y\") & \"|\" & r(\"SESSIONID\")\n"
        L"s = s & \"|\" & r.Cookies(\"c\")(\"k\") & \"|\" & r.ServerVariables(\"server_port\")\n"
        L"If IsEmpty(r(\"nowhere\")) Then e = \"empty\" Else e = \"found\"\n"
        L"s = s & \"|\" & e & \"|\" & r.QueryString & \"|\" & r.QueryString(\"a\")(1)");
    EXPECT_EQ(L"1, 2|2|1|1, 2|1, 2|\x4E2D|s1|1|8080|empty|a=1&a=2&b=x|1, 2", script_->EvalText(L"s"));
  } else {
    RunOk(
        L"var r = Request;\n"
        L"var s = r.QueryString('a') + '|' + r.QueryString('a').Count + '|' + r.Form('x').Count;\n"
        L"s += '|' + r.Form('X') + '|' + r('a') + '|' + r('y') + '|' + r('SESSIONID');\n"
        L"s += '|' + r.Cookies('c')('k') + '|' + r.ServerVariables('server_port');\n"
        L"s += '|' + (typeof r('nowhere')) + '|' + r.QueryString.Item() + '|' + r.QueryString('a').Item(1);");
    EXPECT_EQ(L"1, 2|2|1|1, 2|1, 2|\x4E2D|s1|1|8080|undefined|a=1&a=2&b=x|2", script_->EvalText(L"s"));
  }
  EXPECT_EQ(2, request_->CookieCollection()->Count());  // the lookups created no cookie
}

TEST_P(ScriptAccessTest, DefaultLookupThroughTheObjectsName) {
  // Request("a") needs the global-members item under Wine; with a plain named item the
  // default member is named.
  std::wstring call = GetParam().globalMembers ? L"Request(" : L"Request.Item(";
  EXPECT_EQ(L"1, 2", script_->EvalText(call + L"\"a\")"));
  EXPECT_EQ(L"\x4E2D", script_->EvalText(call + L"\"y\")"));
  EXPECT_EQ(L"s1", script_->EvalText(call + L"\"SESSIONID\")"));
  EXPECT_EQ(L"POST", script_->EvalText(call + L"\"REQUEST_METHOD\")"));
  EXPECT_TRUE(script_->errors().empty());
}

TEST_P(ScriptAccessTest, ForEachWalksTheCollections) {
  if (vbs()) {
    RunOk(
        L"s = \"\"\n"
        L"For Each k In Request.QueryString : s = s & k & \",\" : Next\n"
        L"For Each k In Request.Form : s = s & k & \",\" : Next\n"
        L"For Each k In Request.Cookies : s = s & k & \",\" : Next\n"
        L"For Each k In Request.Cookies(\"c\") : s = s & k & \";\" : Next\n"
        L"n = 0\nFor Each k In Request.ServerVariables : n = n + 1 : Next\n"
        L"s = s & n");
  } else {
    RunOk(
        L"var s = '';\n"
        L"function walk(c, sep) { for (var e = new Enumerator(c); !e.atEnd(); e.moveNext()) s += e.item() + sep; }\n"
        L"walk(Request.QueryString, ','); walk(Request.Form, ','); walk(Request.Cookies, ',');\n"
        L"walk(Request.Cookies('c'), ';');\n"
        L"var n = 0; for (var e = new Enumerator(Request.ServerVariables); !e.atEnd(); e.moveNext()) n++;\n"
        L"s += n;");
  }
  // Sub-keys come in hash order: j (bucket 4) before k (bucket 5).
  EXPECT_EQ(L"a,b,x,y,c,SESSIONID,j;k;5", script_->EvalText(L"s"));
}

TEST_P(ScriptAccessTest, ScriptsSetCookiesWithKeysAndAttributes) {
  if (vbs()) {
    // Wine's VBScript compiler cannot assign through two calls in a row
    // (Response.Cookies("n")("k") = "v" stops the process with an assertion), so the
    // cookie goes through a variable or its Item member.
    RunOk(
        L"Set n = Response.Cookies(\"n\")\n"
        L"n(\"k\") = \"v\"\n"
        L"Response.Cookies(\"n\").Path = \"/x\"\n"
        L"Set cs = Response.Cookies\n"
        L"cs(\"m\") = 1\n"
        L"Response.Cookies(\"c\").Item(\"k\") = \"9\"\n"
        L"Response.Cookies(\"s\") = \"one\"\n"
        L"Response.Cookies(\"s\").Secure = True");
  } else {
    RunOk(
        L"Response.Cookies('n').Item('k') = 'v';\n"
        L"Response.Cookies('n').Path = '/x';\n"
        L"var cs = Response.Cookies; cs.Item('m') = 1;\n"
        L"Response.Cookies('c').Item('k') = '9';\n"
        L"Response.Cookies.Item('s') = 'one';\n"
        L"Response.Cookies('s').Secure = true;");
  }
  EXPECT_EQ((std::vector<std::string>{"c=j=2&k=9; path=/", "m=1; path=/", "n=k=v; path=/x", "s=one; path=/; secure= "}),
            SetCookieLines());
}

TEST_P(ScriptAccessTest, HeaderBreakingCookieTextFailsTheScriptCall) {
  std::wstring code = vbs() ? L"Response.Cookies(\"n\") = \"a\" & vbCrLf & \"Location: x\""
                            : L"Response.Cookies.Item('n') = 'a\\r\\nLocation: x';";
  EXPECT_NE(S_OK, script_->Run(code));
  ASSERT_EQ(1u, script_->errors().size());
  // VBScript reports E_INVALIDARG as its own error 5, "invalid procedure call or argument".
  EXPECT_EQ(vbs() ? CTL_E_ILLEGALFUNCTIONCALL : E_INVALIDARG, script_->errors()[0].scode);
  EXPECT_TRUE(SetCookieLines().empty());
}

INSTANTIATE_TEST_SUITE_P(Engines, ScriptAccessTest,
                         testing::Values(Mode{ScriptLanguage::kVBScript, false}, Mode{ScriptLanguage::kVBScript, true},
                                         Mode{ScriptLanguage::kJScript, false}, Mode{ScriptLanguage::kJScript, true}),
                         [](const testing::TestParamInfo<Mode>& info) {
                           return std::string(info.param.language == ScriptLanguage::kVBScript ? "VBScript"
                                                                                               : "JScript") +
                                  (info.param.globalMembers ? "GlobalMembers" : "NamedItems");
                         });

}  // namespace
