// The list-control side of the service list: a real report list view of the common
// controls, driven through Win32ServiceList, alone and under a refresh.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "ServiceTestFixture.h"
#include "core/ServiceRow.h"
#include "core/Win32ServiceList.h"

namespace {

class ListControl {
 public:
  explicit ListControl(int height = 300) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    // A child of a frame that is never shown: no top-level window reaches the display.
    parent_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 640, 360, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    window_ =
        CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SORTASCENDING,
                        0, 0, 600, height, parent_, nullptr, GetModuleHandleA(nullptr), nullptr);
    for (int column = 0; column < ServiceRow::kFixedColumnCount; ++column) {
      LVCOLUMNA info{};
      info.mask = LVCF_TEXT | LVCF_WIDTH;
      info.cx = 60;
      info.pszText = const_cast<char*>(ServiceRow::ColumnTitle(column));
      SendMessageA(window_, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&info));
    }
  }
  ~ListControl() {
    if (parent_) DestroyWindow(parent_);
  }
  HWND Get() const { return window_; }

 private:
  HWND parent_ = nullptr;
  HWND window_ = nullptr;
};

bool HasVisibleStyle(HWND window) { return (GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE) != 0; }

TEST(Win32ServiceList, KeepsRowsInNameOrderWithCellsAndSelection) {
  ListControl control;
  ASSERT_NE(nullptr, control.Get()) << "a display is needed: " << GetLastError();
  Win32ServiceList list(control.Get());

  EXPECT_EQ(0, list.InsertRow("beta"));
  EXPECT_EQ(0, list.InsertRow("Alpha"));
  EXPECT_EQ(2, list.InsertRow("gamma"));
  EXPECT_EQ(3, list.RowCount());
  EXPECT_EQ("Alpha", list.GetCell(0, ServiceRow::kName));

  // Cells of any length, in code page 936, come back as they went in.
  std::string chinese = Cp936("测试服务");
  std::string description(5000, 'x');
  list.SetCell(1, ServiceRow::kDisplayName, chinese);
  list.SetCell(1, ServiceRow::kDescription, description);
  EXPECT_EQ(chinese, list.GetCell(1, ServiceRow::kDisplayName));
  EXPECT_EQ(description, list.GetCell(1, ServiceRow::kDescription));
  EXPECT_EQ("", list.GetCell(1, ServiceRow::kBinaryPath));

  list.SetSelected(0, true);
  list.SetSelected(2, true);
  EXPECT_EQ(0, list.NextSelected(-1));
  EXPECT_EQ(2, list.NextSelected(0));
  EXPECT_EQ(-1, list.NextSelected(2));
  list.SetSelected(0, false);
  EXPECT_EQ(2, list.NextSelected(-1));

  list.DeleteRow(1);
  EXPECT_EQ(2, list.RowCount());
  EXPECT_EQ(1, list.NextSelected(-1));  // the selection moved with its row
  EXPECT_EQ("gamma", list.GetCell(1, ServiceRow::kName));

  list.SetVisible(false);
  EXPECT_FALSE(HasVisibleStyle(control.Get()));
  list.SetVisible(true);
  EXPECT_TRUE(HasVisibleStyle(control.Get()));
  list.DeleteAllRows();
  EXPECT_EQ(0, list.RowCount());
}

TEST(Win32ServiceList, ScrollsARowIntoTheVisiblePage) {
  ListControl control;
  ASSERT_NE(nullptr, control.Get());
  Win32ServiceList list(control.Get());
  for (int i = 0; i < 100; ++i) {
    char name[16];
    snprintf(name, sizeof name, "row%03d", i);
    list.InsertRow(name);
  }
  int perPage = list.RowsPerPage();
  ASSERT_GT(perPage, 0);
  ASSERT_LT(perPage, 100);
  EXPECT_EQ(0, list.TopIndex());
  list.EnsureVisible(80, true);
  EXPECT_GT(list.TopIndex(), 0);
  EXPECT_LE(list.TopIndex(), 80);
  EXPECT_GE(list.TopIndex() + perPage, 80);
}

using Win32ServiceListRefresh = ServiceTestFixture;

TEST_F(Win32ServiceListRefresh, SameFilterKeepsSelectionAndScrollPlaceInTheRealList) {
  ListControl control(120);  // a page of a few rows
  ASSERT_NE(nullptr, control.Get());
  Win32ServiceList realList(control.Get());
  std::string name = CreateTestService("run");
  ServiceCommands commands(ServiceCommandsParts{Api(), realList, hooks, user, panes, cursor, keys, clock, program});
  commands.Connect(nullptr);
  ASSERT_GT(realList.RowCount(), 10);

  int row = -1;
  for (int i = 0; i < realList.RowCount(); ++i) {
    if (realList.GetCell(i, ServiceRow::kName) == name) row = i;
  }
  ASSERT_NE(-1, row);
  EXPECT_EQ(BinaryPathFor("run"), realList.GetCell(row, ServiceRow::kBinaryPath));
  realList.SetSelected(row, true);
  realList.EnsureVisible(realList.RowCount() - 1, false);
  int top = realList.TopIndex();
  ASSERT_GT(top, 0);

  commands.RefreshList();

  EXPECT_EQ(row, realList.NextSelected(-1));
  EXPECT_EQ(-1, realList.NextSelected(row));
  EXPECT_EQ(top, realList.TopIndex());
  EXPECT_TRUE(HasVisibleStyle(control.Get()));
  EXPECT_TRUE(user.messages.empty());
}

}  // namespace
