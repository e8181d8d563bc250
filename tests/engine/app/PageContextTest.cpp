// The page context on its own: deadlines and what the driver hands it.
#include <gtest/gtest.h>

#include "FakeControlBlock.h"
#include "PageSite.h"
#include "app/YPageContext.h"
#include "automation/Clock.h"
#include "compiler/CAspParser.h"
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

}  // namespace
