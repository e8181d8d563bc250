// The page context on its own: deadlines and what the driver hands it.
#include <gtest/gtest.h>

#include "FakeControlBlock.h"
#include "PageSite.h"
#include "app/YPageContext.h"
#include "automation/Clock.h"
#include "compiler/CAspParser.h"
#include "host/CResponseObject.h"
#include "host/YISAPIServiceProvider.h"

namespace {

TEST(PageContext, ScriptTimeoutMovesTheDeadlineOfTheContextAndOfTheRunningPage) {
  PageSite site;
  site.Write("t.asp", "<% Server.ScriptTimeout = 5 %>");
  FakeControlBlock fake;
  fake.pathInfo = "/t.asp";
  fake.pathTranslated = site.root() + "\\t.asp";
  fake.ecb.lpszPathInfo = fake.pathInfo.data();
  fake.ecb.lpszPathTranslated = fake.pathTranslated.data();
  YISAPIServiceProvider provider;
  provider.setControlBlock(&fake.ecb);
  YPageContext context;
  const int64_t start = SecondsSince1970();
  EXPECT_GE(context.deadline(), start + YPageContext::kPageTimeoutSeconds);
  EXPECT_LE(context.deadline(), SecondsSince1970() + YPageContext::kPageTimeoutSeconds);
  context.attach(&provider);
  ASSERT_EQ(1, context.runPage(fake.pathInfo.c_str(), fake.pathTranslated.c_str())) << context.PageErrorText();
  EXPECT_GE(context.deadline(), start + 5);
  EXPECT_LE(context.deadline(), SecondsSince1970() + 5);
  ASSERT_NE(nullptr, context.currentPage());
  EXPECT_EQ(context.deadline(), context.currentPage()->deadline());
}

TEST(PageContext, ObjectsOfSessionOrApplicationScopeAreNotMadeWithoutASessionOrApplication) {
  PageSite site;
  site.Write("o.asp",
             "<object runat=server id=s scope=Session progid=Scripting.Dictionary></object>"
             "<object runat=server id=a scope=Application progid=Scripting.Dictionary></object>"
             "<object runat=server id=p progid=Scripting.Dictionary></object>ok");
  FakeControlBlock fake;
  fake.pathInfo = "/o.asp";
  fake.pathTranslated = site.root() + "\\o.asp";
  fake.ecb.lpszPathInfo = fake.pathInfo.data();
  fake.ecb.lpszPathTranslated = fake.pathTranslated.data();
  YISAPIServiceProvider provider;
  provider.setControlBlock(&fake.ecb);
  YPageContext context;  // the driver would attach the application and the session
  context.attach(&provider);
  ASSERT_EQ(1, context.runPage(fake.pathInfo.c_str(), fake.pathTranslated.c_str())) << context.PageErrorText();
  EXPECT_EQ(nullptr, context.FindObject("s", false));
  EXPECT_EQ(nullptr, context.FindObject("a", false));
  EXPECT_NE(nullptr, context.FindObject("p", false));
}

}  // namespace

namespace {

// Components write into the response through its IStream: after the pending text, with
// the head first, and not at all once the page has ended its output.
TEST(ResponseStream, WritesAfterThePendingTextAndAnswersTheRestAsAOneWayStream) {
  FakeControlBlock fake;
  YISAPIServiceProvider provider;
  provider.setControlBlock(&fake.ecb);
  YPageContext context;
  context.attach(&provider);
  context.response()->buffer() = "text ";

  ComPtr<IStream> stream;
  ASSERT_EQ(S_OK, stream.QueryFrom(context.response()->GetUnknown(), IID_IStream));
  ULONG written = 0;
  EXPECT_EQ(S_OK, stream->Write("bytes", 5, &written));
  EXPECT_EQ(5u, written);
  EXPECT_EQ("text bytes", fake.written);
  EXPECT_EQ(0u, fake.writtenBeforeHead);
  EXPECT_TRUE(context.response()->buffer().empty());

  char buffer[4];
  ULONG read = 0;
  EXPECT_EQ(S_FALSE, stream->Read(buffer, sizeof buffer, &read));
  LARGE_INTEGER zero{};
  EXPECT_EQ(S_FALSE, stream->Seek(zero, STREAM_SEEK_SET, nullptr));
  EXPECT_EQ(S_OK, stream->Commit(0));
  IStream* clone = reinterpret_cast<IStream*>(1);
  EXPECT_EQ(S_FALSE, stream->Clone(&clone));
  EXPECT_EQ(nullptr, clone);

  context.response()->End();  // no page runs here: only the output is switched off
  written = 7;
  EXPECT_EQ(S_OK, stream->Write("more", 4, &written));
  EXPECT_EQ(7u, written);  // nothing was written, and nothing reported
  EXPECT_EQ("text bytes", fake.written);
}

}  // namespace
