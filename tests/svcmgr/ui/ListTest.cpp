// The service list: sorting by column, the context menu, copying cells and finding text.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include "TamberWindow.h"

namespace {

constexpr int kName = 0, kDisplayName = 1, kState = 3, kProcessId = 4, kDescription = 6, kPath = 7;

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (auto* bytes = static_cast<const char*>(GlobalLock(data))) {
      text = bytes;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void EmptyTheClipboard() {
  ASSERT_TRUE(WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }));
  EmptyClipboard();
  CloseClipboard();
}

const char* SkipQuote(const std::string& text) { return text.c_str() + (!text.empty() && text[0] == '"'); }

class ServiceListTest : public ::testing::Test {
 protected:
  // Test services first, so that the list shows them from the start.
  void StartWith(int count, const std::string& description = "a test service") {
    for (int i = 0; i < count; ++i) names.push_back(services.Create(description));
    ASSERT_TRUE(window.Start());
    for (const std::string& name : names) ASSERT_GE(window.RowOf(name), 0) << name;
  }

  // Every neighbouring pair of a column in the order the sort rules give.
  void ExpectNamesSorted(bool ascending) {
    std::vector<std::string> cells = window.ColumnCells(kName);
    for (size_t i = 1; i < cells.size(); ++i) {
      int order = _stricmp(cells[i - 1].c_str(), cells[i].c_str());
      EXPECT_TRUE(ascending ? order <= 0 : order >= 0) << cells[i - 1] << " / " << cells[i];
    }
  }
  void ExpectColumnAscending(int column) {
    std::vector<std::string> cells = window.ColumnCells(column);
    for (size_t i = 1; i < cells.size(); ++i) {
      EXPECT_LE(_stricmp(cells[i - 1].c_str(), cells[i].c_str()), 0)
          << column << ": " << cells[i - 1] << " / " << cells[i];
    }
  }

  TestServices services;
  std::vector<std::string> names;
  TamberWindow window;
};

TEST_F(ServiceListTest, HeaderClicksSortAscendingThenDescendingThenAnotherColumnAscending) {
  StartWith(2);
  window.ClickHeader(kName);
  ExpectNamesSorted(true);
  EXPECT_LT(window.RowOf(names[0]), window.RowOf(names[1]));
  window.ClickHeader(kName);
  ExpectNamesSorted(false);
  EXPECT_GT(window.RowOf(names[0]), window.RowOf(names[1]));
  window.ClickHeader(kDisplayName);
  ExpectColumnAscending(kDisplayName);
}

TEST_F(ServiceListTest, ProcessIdsSortByValueWithEmptyCellsFirst) {
  StartWith(1);
  window.ClickHeader(kProcessId);
  std::vector<std::string> ids = window.ColumnCells(kProcessId);
  bool seenNumber = false;
  unsigned long previous = 0;
  for (const std::string& id : ids) {
    if (id.empty()) {
      EXPECT_FALSE(seenNumber) << "an empty cell after a number";
      continue;
    }
    unsigned long value = std::stoul(id);
    if (seenNumber) {
      EXPECT_LE(previous, value);
    }
    seenNumber = true;
    previous = value;
  }
}

TEST_F(ServiceListTest, PathsSortWithoutTheirLeadingQuoteAndStaySortedAfterRefresh) {
  StartWith(1);
  window.ClickHeader(kPath);
  auto expectSorted = [&] {
    std::vector<std::string> paths = window.ColumnCells(kPath);
    for (size_t i = 1; i < paths.size(); ++i) {
      EXPECT_LE(_stricmp(SkipQuote(paths[i - 1]), SkipQuote(paths[i])), 0) << paths[i - 1] << " / " << paths[i];
    }
  };
  expectSorted();
  // The test service's path starts with a quote; it sorts by the drive letter after it.
  std::string path = window.Cell(window.RowOf(names[0]), kPath);
  ASSERT_EQ('"', path[0]);

  std::string added = services.Create();
  window.PressKey(VK_F5);
  ASSERT_TRUE(WaitUntil([&] { return window.RowOf(added) >= 0; }));
  expectSorted();
}

TEST_F(ServiceListTest, RowsStaySortedAfterStartAndStop) {
  StartWith(1);
  window.ClickHeader(kState);
  window.ClickHeader(kState);  // descending: running services first
  auto expectDescending = [&] {
    std::vector<std::string> states = window.ColumnCells(kState);
    for (size_t i = 1; i < states.size(); ++i) EXPECT_GE(_stricmp(states[i - 1].c_str(), states[i].c_str()), 0);
  };
  window.SelectOnly({window.RowOf(names[0])});
  window.Command(32776);  // start
  ASSERT_TRUE(WaitUntil([&] {
    int row = window.RowOf(names[0]);
    return row >= 0 && window.Cell(row, kState) == Cp936("已启动");
  }));
  expectDescending();

  window.Command(32775);  // stop, after the question
  HWND question = window.WaitForDialog(Cp936("您确定要停止"));
  ASSERT_NE(nullptr, question);
  ASSERT_TRUE(TamberWindow::Answer(question, IDYES));
  ASSERT_TRUE(WaitUntil([&] {
    int row = window.RowOf(names[0]);
    return row >= 0 && window.Cell(row, kState).empty();
  }));
  expectDescending();
}

class ContextMenuTest : public ServiceListTest {
 protected:
  void Open() {
    reader = std::make_unique<MenuReader>(window.ThreadId());
    ASSERT_TRUE(reader->Ready());
    LONG sequence = reader->Sequence();
    PostMessageA(window.List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window.List()), MAKELPARAM(40, 40));
    menu = reader->WaitForMenu(sequence);
    ASSERT_FALSE(menu.empty());
  }
  void Dismiss() {
    PostMessageA(window.List(), WM_KEYDOWN, VK_ESCAPE, 0);
    // The view handles messages again once the menu is gone.
    EXPECT_TRUE(WaitUntil([&] {
      DWORD_PTR result = 0;
      return SendMessageTimeoutA(window.List(), WM_NULL, 0, 0, SMTO_NORMAL, 100, &result) != 0;
    }));
  }
  // The ids of the items in order, submenu items after their popup.
  std::vector<std::pair<int, UINT>> Shape() const {
    std::vector<std::pair<int, UINT>> shape;
    for (const MenuProbeItem& item : menu) shape.emplace_back(item.depth, item.id);
    return shape;
  }

  std::unique_ptr<MenuReader> reader;
  std::vector<MenuProbeItem> menu;
};

constexpr UINT kSep = MenuProbeItem::kSeparator;
constexpr UINT kPopup = MenuProbeItem::kPopup;

TEST_F(ContextMenuTest, NoSelectionShowsNothing) {
  StartWith(0);
  window.SelectOnly({});
  MenuReader probe(window.ThreadId());
  ASSERT_TRUE(probe.Ready());
  LONG sequence = probe.Sequence();
  // Sent: it returns only after the view handled it, and a shown menu would hold it.
  SendMessageA(window.List(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window.List()), MAKELPARAM(40, 40));
  EXPECT_EQ(sequence, probe.Sequence());
}

TEST_F(ContextMenuTest, OneApplicationServiceAndTheCopyOfItsName) {
  StartWith(1);
  window.SelectOnly({window.RowOf(names[0])});
  Open();
  const std::vector<std::pair<int, UINT>> expected = {
      {0, 32776},
      {0, 32775},
      {0, kSep},
      {0, kPopup},
      {1, 32777},
      {1, 32779},
      {1, 32780},
      {0, kSep},
      {0, kPopup},
      {1, 32789},
      {1, 32790},
      {1, 32791},
      {1, 32792},
      // The test service's program has a version resource: its three cells are filled.
      {1, 32793},
      {1, 32794},
      {1, 32795},
      {0, kSep},
      {0, 32774},
      {0, kSep},
      {0, 32782},
      {0, 32798}};
  EXPECT_EQ(expected, Shape());
  for (const MenuProbeItem& item : menu) {
    if (item.id != kSep) {
      EXPECT_FALSE(item.state & MFS_GRAYED) << item.id;
    }
  }
  EXPECT_EQ(Cp936("启动类型"), menu[3].text);
  EXPECT_EQ(Cp936("复制显示信息"), menu[8].text);
  EXPECT_EQ(Cp936("查看该文件"), FindItem(menu, 32782)->text);

  // Down to the copy popup (separators are passed over), into it, and its first item.
  EmptyTheClipboard();
  for (WORD key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RETURN}) {
    PostMessageA(window.List(), WM_KEYDOWN, key, 0);
  }
  EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == names[0]; }));
}

TEST_F(ContextMenuTest, WithoutDescriptionThereIsNoDescriptionCopy) {
  StartWith(1, "");
  window.SelectOnly({window.RowOf(names[0])});
  Open();
  EXPECT_EQ(nullptr, FindItem(menu, 32791));
  EXPECT_NE(nullptr, FindItem(menu, 32789));
  Dismiss();
}

TEST_F(ContextMenuTest, SeveralRowsHaveNoCopyPopup) {
  StartWith(2);
  window.SelectOnly({window.RowOf(names[0]), window.RowOf(names[1])});
  Open();
  const std::vector<std::pair<int, UINT>> expected = {{0, 32776}, {0, 32775}, {0, kSep},  {0, kPopup},
                                                      {1, 32777}, {1, 32779}, {1, 32780}, {0, kSep},
                                                      {0, 32774}, {0, kSep},  {0, 32782}, {0, 32798}};
  EXPECT_EQ(expected, Shape());
  Dismiss();
}

TEST_F(ServiceListTest, CopyPutsTheCellsNarrowTextOnTheClipboard) {
  StartWith(1, "copied description");
  int row = window.RowOf(names[0]);
  window.SelectOnly({row});
  const std::pair<UINT, int> commands[] = {
      {32789, kName}, {32790, kDisplayName}, {32791, kDescription}, {32792, kPath}};
  for (auto [command, column] : commands) {
    EmptyTheClipboard();
    window.Command(command);
    std::string expected = window.Cell(row, column);
    ASSERT_FALSE(expected.empty());
    EXPECT_TRUE(WaitUntil([&] { return ClipboardText() == expected; })) << command << ": " << ClipboardText();
  }
  EXPECT_EQ(TestServices::DisplayNameOf(names[0]), window.Cell(row, kDisplayName));
}

class FindTest : public ServiceListTest {
 protected:
  // The find dialog with its text and options set, as the user would fill it in.
  HWND OpenFind(const std::string& text, bool down, bool matchCase, bool wholeWord) {
    window.PressKey('F', true);
    HWND dialog = window.WaitForDialog(Cp936("查找"));
    if (!dialog) return nullptr;
    SetDlgItemTextA(dialog, edt1, text.c_str());
    SendDlgItemMessageA(dialog, chx2, BM_SETCHECK, matchCase ? BST_CHECKED : BST_UNCHECKED, 0);
    SendDlgItemMessageA(dialog, chx1, BM_SETCHECK, wholeWord ? BST_CHECKED : BST_UNCHECKED, 0);
    SendDlgItemMessageA(dialog, rad1, BM_SETCHECK, down ? BST_UNCHECKED : BST_CHECKED, 0);
    SendDlgItemMessageA(dialog, rad2, BM_SETCHECK, down ? BST_CHECKED : BST_UNCHECKED, 0);
    return dialog;
  }
  static void FindNext(HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  }
  bool WaitSelected(const std::string& name) {
    return WaitUntil([&] {
      std::vector<int> rows = window.SelectedRows();
      return rows.size() == 1 && window.Cell(rows[0], kName) == name;
    });
  }
  // "字符串搜索完毕。" is shown and answered.
  bool SearchDone() {
    HWND done = window.WaitForDialog(Cp936("字符串搜索完毕。"));
    return done && TamberWindow::Answer(done, IDOK);
  }
};

TEST_F(FindTest, FindSelectsTheNextMatchingRowAndF3Continues) {
  StartWith(2);
  window.SelectOnly({});
  std::string prefix = names[0].substr(0, names[0].rfind('_') + 1);
  HWND dialog = OpenFind(prefix, true, false, false);
  ASSERT_NE(nullptr, dialog);
  FindNext(dialog);
  ASSERT_TRUE(WaitSelected(names[0]));
  PostMessageA(dialog, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));

  // F3 goes on from the match on the next row, then reports that the rows ran out and
  // keeps the last match selected.
  window.PressKey(VK_F3);
  ASSERT_TRUE(WaitSelected(names[1]));
  window.PressKey(VK_F3);
  ASSERT_TRUE(SearchDone());
  EXPECT_TRUE(WaitSelected(names[1]));
}

TEST_F(FindTest, UpwardsMatchCaseAndWholeWord) {
  StartWith(2);
  window.SelectOnly({window.RowOf(names[1])});
  std::string lower = names[0];
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));

  // Up from the selected row, without case: the row itself matches first (no match
  // there yet), then the one above it.
  HWND dialog = OpenFind(lower.substr(0, lower.rfind('_') + 1), false, false, false);
  ASSERT_NE(nullptr, dialog);
  FindNext(dialog);
  ASSERT_TRUE(WaitSelected(names[1]));
  FindNext(dialog);
  ASSERT_TRUE(WaitSelected(names[0]));

  // With match case the lower-case text is in no cell.
  SendDlgItemMessageA(dialog, chx2, BM_SETCHECK, BST_CHECKED, 0);
  FindNext(dialog);
  ASSERT_TRUE(SearchDone());

  // Whole word: the exact name matches its own cell; a part of it does not.
  SendDlgItemMessageA(dialog, chx2, BM_SETCHECK, BST_UNCHECKED, 0);
  SendDlgItemMessageA(dialog, chx1, BM_SETCHECK, BST_CHECKED, 0);
  SendDlgItemMessageA(dialog, rad2, BM_SETCHECK, BST_CHECKED, 0);
  SendDlgItemMessageA(dialog, rad1, BM_SETCHECK, BST_UNCHECKED, 0);
  SetDlgItemTextA(dialog, edt1, names[1].substr(0, names[1].size() - 1).c_str());
  window.SelectOnly({});
  FindNext(dialog);
  ASSERT_TRUE(SearchDone());
  SetDlgItemTextA(dialog, edt1, names[1].c_str());
  window.SelectOnly({});
  FindNext(dialog);
  EXPECT_TRUE(WaitSelected(names[1]));
}

}  // namespace
