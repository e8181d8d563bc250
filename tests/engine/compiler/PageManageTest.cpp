// The running-pages list and its time-out sweep.
#include <gtest/gtest.h>

#include <process.h>

#include "TestAspContext.h"
#include "support/TestPageFiles.h"
#include "app/YPageManage.h"
#include "automation/Clock.h"
#include "support/DoubleScriptEngine.h"

namespace {

TEST(YList, PushesAtEitherEndAndUnlinksAnyNode) {
  YList list;
  YListNode a, b, c;
  list.PushHead(&b);
  list.PushHead(&a);
  list.PushTail(&c);
  EXPECT_EQ(&a, list.head());
  EXPECT_EQ(&c, list.tail());
  EXPECT_EQ(&b, a.next());
  list.Unlink(&b);
  EXPECT_EQ(&c, a.next());
  EXPECT_EQ(&a, c.prev());
  EXPECT_FALSE(list.Contains(&b));
  list.Unlink(&b);  // not linked: nothing happens
  list.Unlink(&a);
  list.Unlink(&c);
  EXPECT_EQ(nullptr, list.head());
  EXPECT_EQ(nullptr, list.tail());
}

// The encoded VBScript engine, which Wine lacks: the double stands in for it.
const CLSID kVBScriptEncodeClsid = {0xB54F3743, 0x5B07, 0x11CF, {0xA4, 0xB0, 0x00, 0xAA, 0x00, 0x4A, 0x55, 0xE8}};

struct RunThread {
  CAspParser* page;
  bool result = true;
  std::string errorText;
  static unsigned __stdcall Main(void* p) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    auto* self = static_cast<RunThread*>(p);
    self->result = self->page->Run();
    self->errorText = self->page->ErrorText();
    self->page->Clear();
    CoUninitialize();
    return 0;
  }
};

// Wine's engines cannot interrupt a running script; a test-double engine shows that the
// sweep interrupts an overdue page once and leaves a page within its time alone.
TEST(PageManageSweepWithDoubleEngine, InterruptsAnOverduePageOnceAndLeavesOthersAlone) {
  DoubleEngineRegistration double_(kVBScriptEncodeClsid);
  ResetDoubleLog();
  DoubleLog().interruptible = true;
  TestPageFiles files;
  TestAspContext context(files.root());
  CAspParser page;
  context.Attach(&page);
  ASSERT_TRUE(page.CompileFile("/p.asp", files.Write("p.asp", "<%@ language=VBScript.Encode %><%\nloop\n%>").c_str()));
  const int64_t deadline = SecondsSince1970() + 90;
  page.set_deadline(deadline);

  RunThread run{&page};
  HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &RunThread::Main, &run, 0, nullptr));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(DoubleEngineLooping(), 10000));
  EXPECT_TRUE(YPageManage::Instance().IsRunning(&page));

  EXPECT_EQ(0, YPageManage::Instance().Sweep(deadline));  // not yet earlier than now
  EXPECT_TRUE(YPageManage::Instance().IsRunning(&page));
  EXPECT_TRUE(DoubleLog().interrupts.empty());
  EXPECT_FALSE(page.timedOut());

  EXPECT_EQ(1, YPageManage::Instance().Sweep(deadline + 1));
  EXPECT_FALSE(YPageManage::Instance().IsRunning(&page));
  // Marked as well, for engines that cannot be interrupted: their checks see it.
  EXPECT_TRUE(page.timedOut());
  EXPECT_EQ(0, YPageManage::Instance().Sweep(deadline + 100));  // at most once

  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
  CloseHandle(thread);
  EXPECT_EQ(std::vector<SCRIPTTHREADID>({SCRIPTTHREADID_ALL}), DoubleLog().interrupts);
  EXPECT_FALSE(run.result);
  // The interruption is reported like any script error, at the page's line 2.
  EXPECT_NE(std::string::npos, run.errorText.find("<p>raised</p>")) << run.errorText;
  EXPECT_NE(std::string::npos, run.errorText.find("p.asp,line 2</p>")) << run.errorText;
}

// The named items an engine is given, in order: the context's, then "YAspParser", then
// the cross-script item once the engines are linked.
TEST(PageRunNamedItemsWithDoubleEngine, ComeInTheirOrder) {
  DoubleEngineRegistration double_(kVBScriptEncodeClsid);
  ResetDoubleLog();
  TestPageFiles files;
  TestAspContext context(files.root());
  auto* extra = new CTestResponse(nullptr);
  context.AddItem(L"Extra", extra->GetUnknown());
  extra->Release();
  CAspParser page;
  context.Attach(&page);
  ASSERT_TRUE(page.CompileFile(
      "/p.asp",
      files.Write("p.asp", "<script language=VBScript.Encode runat=server>x = 1</script><% y = 2 %>").c_str()));
  ASSERT_TRUE(page.Run()) << page.ErrorText();
  const DWORD visible = SCRIPTITEM_ISVISIBLE | SCRIPTITEM_ISPERSISTENT;
  std::vector<std::pair<std::wstring, DWORD>> expected = {{L"Response", visible},
                                                          {L"Extra", visible},
                                                          {L"YAspParser", visible},
                                                          {L"OrvaneCrossScript", SCRIPTITEM_GLOBALMEMBERS}};
  EXPECT_EQ(expected, DoubleLog().namedItems);
}

}  // namespace
