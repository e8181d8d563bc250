// The service commands wired to the window: the list shows what start, stop, a start-type
// change and delete did, and the count pane follows.
#include <gtest/gtest.h>

#include "TamberWindow.h"

namespace {

constexpr int kState = 3, kProcessId = 4, kStartType = 5;

class WindowCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name = services.Create("commands");
    ASSERT_FALSE(name.empty());
    ASSERT_TRUE(window.Start());
    ASSERT_GE(window.RowOf(name), 0);
    window.SelectOnly({window.RowOf(name)});
  }
  std::string Cell(int column) const {
    int row = window.RowOf(name);
    return row >= 0 ? window.Cell(row, column) : "<no row>";
  }
  bool WaitCell(int column, const std::string& text) {
    return WaitUntil([&] { return Cell(column) == text; }, 10000);
  }

  TestServices services;
  std::string name;
  TamberWindow window;
};

TEST_F(WindowCommandsTest, StartAndStopShowTheStateAndProcessId) {
  window.Command(32776);
  ASSERT_TRUE(WaitCell(kState, Cp936("已启动")));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), services.State(name));
  EXPECT_FALSE(Cell(kProcessId).empty());

  window.Command(32775);
  HWND question = window.WaitForDialog(Cp936("您确定要停止\"") + TestServices::DisplayNameOf(name));
  ASSERT_NE(nullptr, question);
  ASSERT_TRUE(TamberWindow::Answer(question, IDYES));
  ASSERT_TRUE(WaitCell(kState, ""));
  EXPECT_EQ("", Cell(kProcessId));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), services.State(name));
}

TEST_F(WindowCommandsTest, StartTypeChangeShowsTheNewType) {
  EXPECT_EQ(Cp936("手动启动"), Cell(kStartType));
  window.Command(32780);
  ASSERT_TRUE(WaitCell(kStartType, Cp936("禁止启动")));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), services.StartType(name));
  window.Command(32777);
  ASSERT_TRUE(WaitCell(kStartType, Cp936("自动启动")));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), services.StartType(name));
}

TEST_F(WindowCommandsTest, DeleteRemovesTheRowAndCountsAgain) {
  int rows = window.RowCount();
  window.Command(32774);
  HWND question = window.WaitForDialog(Cp936("您确定要删除"));
  ASSERT_NE(nullptr, question);
  ASSERT_TRUE(TamberWindow::Answer(question, IDYES));
  ASSERT_TRUE(WaitUntil([&] { return window.RowOf(name) < 0; }));
  EXPECT_EQ(rows - 1, window.RowCount());
  EXPECT_EQ(Cp936("共") + std::to_string(rows - 1) + Cp936("个服务"), window.PaneText(1));
  EXPECT_FALSE(services.Exists(name));
}

}  // namespace
