// The running-pages list and its time-out sweep.
#include <gtest/gtest.h>

#include <process.h>

#include "FakeScriptEngine.h"
#include "TestAspContext.h"
#include "TestPageFiles.h"
#include "app/YPageManage.h"
#include "automation/Clock.h"

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

const CLSID kJScriptClsid = {0xF414C260, 0x6AC0, 0x11CF, {0xB6, 0xD1, 0x00, 0xAA, 0x00, 0xBB, 0xBB, 0x58}};

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

// Wine's engines cannot interrupt a running script; a stand-in engine shows that the
// sweep interrupts an overdue page once and leaves a page within its time alone.
TEST(PageManageSweepWithFakeEngine, InterruptsAnOverduePageOnceAndLeavesOthersAlone) {
  FakeScriptEngineClass fake(kJScriptClsid);
  TestPageFiles files;
  TestAspContext context(files.root());
  CAspParser page;
  context.Attach(&page);
  ASSERT_TRUE(page.CompileFile("/p.asp", files.Write("p.asp", "<%@ language=JScript %><% loop(); %>").c_str()));
  const int64_t deadline = SecondsSince1970() + 90;
  page.set_deadline(deadline);

  RunThread run{&page};
  HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &RunThread::Main, &run, 0, nullptr));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(FakeScriptEngineClass::running, 10000));
  EXPECT_LE(1, FakeScriptEngineClass::created);
  EXPECT_TRUE(YPageManage::Instance().IsRunning(&page));

  EXPECT_EQ(0, YPageManage::Instance().Sweep(deadline));  // not yet earlier than now
  EXPECT_TRUE(YPageManage::Instance().IsRunning(&page));
  EXPECT_EQ(0, FakeScriptEngineClass::interruptsAll);

  EXPECT_EQ(1, YPageManage::Instance().Sweep(deadline + 1));
  EXPECT_FALSE(YPageManage::Instance().IsRunning(&page));
  EXPECT_EQ(0, YPageManage::Instance().Sweep(deadline + 100));  // at most once

  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
  CloseHandle(thread);
  EXPECT_EQ(1, FakeScriptEngineClass::interruptsAll);
  EXPECT_FALSE(run.result);
  // The interruption is reported like any script error.
  EXPECT_NE(std::string::npos, run.errorText.find("<p>interrupted</p>")) << run.errorText;
}

}  // namespace
