// Start-up, the single instance, the frame's status bar, the main menu and the keys.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "TamberWindow.h"

namespace {

// The number of services of a kind the service manager lists right now.
int ServiceCount(DWORD filter) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE);
  DWORD needed = 0, count = 0, resume = 0;
  EnumServicesStatusExA(manager, SC_ENUM_PROCESS_INFO, filter, SERVICE_STATE_ALL, nullptr, 0, &needed, &count, &resume,
                        nullptr);
  std::vector<BYTE> buffer(needed + 4096);
  resume = 0;
  EnumServicesStatusExA(manager, SC_ENUM_PROCESS_INFO, filter, SERVICE_STATE_ALL, buffer.data(),
                        static_cast<DWORD>(buffer.size()), &needed, &count, &resume, nullptr);
  CloseServiceHandle(manager);
  return static_cast<int>(count);
}

std::string CountText(int count) { return Cp936("共") + std::to_string(count) + Cp936("个服务"); }

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window.Start()); }
  TamberWindow window;
};

TEST_F(StartupTest, TitleColumnsAndPanes) {
  char title[256] = {};
  GetWindowTextA(window.Frame(), title, sizeof title);
  EXPECT_EQ(Cp936("Corvel - Windows 服务管理器"), title);

  struct Expected {
    const char* title;
    int width;
    int format;
  };
  const Expected columns[] = {
      {"名称", 80, LVCFMT_LEFT},      {"显示名称", 160, LVCFMT_LEFT}, {"类型", 90, LVCFMT_CENTER},
      {"状态", 56, LVCFMT_CENTER},    {"进程ID", 56, LVCFMT_RIGHT},   {"启动类型", 65, LVCFMT_RIGHT},
      {"描述", 180, LVCFMT_LEFT},     {"文件路径", 150, LVCFMT_LEFT}, {"制造商", 100, LVCFMT_LEFT},
      {"文件描述", 100, LVCFMT_LEFT}, {"文件版本", 100, LVCFMT_LEFT}};
  // The file-information columns are shown from the start.
  ASSERT_EQ(11, window.ColumnCount());
  for (int column = 0; column < 11; ++column) {
    ColumnInfo info = window.Column(column);
    EXPECT_EQ(Cp936(columns[column].title), info.title) << column;
    EXPECT_EQ(columns[column].format, info.format) << column;
    // Type, state, process id and the file information are sized to their content after
    // each refresh.
    if (column < 2 || (column > 4 && column < 8)) {
      EXPECT_EQ(columns[column].width, info.width) << column;
    }
  }

  int services = ServiceCount(SERVICE_WIN32);
  EXPECT_EQ(services, window.RowCount());
  EXPECT_EQ(CountText(services), window.PaneText(1));
  EXPECT_EQ("LocalHost", window.PaneText(2));
  EXPECT_EQ(Cp936("Windows 服务管理器 1.2.5G"), window.PaneText(0));
}

TEST_F(StartupTest, PaneZeroShowsThePromptOfTheHighlightedItem) {
  auto select = [&](UINT id, UINT flags, HMENU menu) {
    SendMessageA(window.Frame(), WM_MENUSELECT, MAKEWPARAM(id, flags), reinterpret_cast<LPARAM>(menu));
  };
  HMENU menu = GetMenu(window.Frame());
  select(32773, MF_HILITE, menu);
  EXPECT_EQ(Cp936("刷新当前页内容"), window.PaneText(0));
  select(57665, MF_HILITE, menu);
  EXPECT_EQ(Cp936("退出程序"), window.PaneText(0));  // the text before "\n"
  select(1, MF_HILITE | MF_POPUP, menu);
  EXPECT_EQ("", window.PaneText(0));
  select(0, 0xFFFF, nullptr);  // the menu closed
  EXPECT_EQ(Cp936("Windows 服务管理器 1.2.5G"), window.PaneText(0));
}

TEST_F(StartupTest, SecondStartRestoresTheFirstAndEnds) {
  ShowWindow(window.Frame(), SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(window.Frame()) != FALSE; }));

  TamberWindow second;
  ASSERT_TRUE(second.Launch());
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second.Process(), 5000));
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(window.Frame()); }));
  // Only the first window carries the title.
  int windows = 0;
  const std::string title = Cp936(TamberWindow::kTitleUtf8);
  for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, nullptr, title.c_str())) != nullptr;) ++windows;
  EXPECT_EQ(1, windows);
}

TEST_F(StartupTest, AcceleratorTableHasExactlyTheSixKeys) {
  HMODULE program = LoadLibraryExA(TamberWindow::ProgramPath(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, program);
  HACCEL table = LoadAcceleratorsA(program, MAKEINTRESOURCEA(128));
  ASSERT_NE(nullptr, table);
  ACCEL entries[16];
  int count = CopyAcceleratorTableA(table, entries, 16);
  ASSERT_EQ(6, count);
  const ACCEL expected[] = {{FVIRTKEY | FCONTROL, 'F', 32785}, {FVIRTKEY, VK_DELETE, 32774}, {FVIRTKEY, VK_F3, 32786},
                            {FVIRTKEY, VK_F5, 32773},          {FVIRTKEY, VK_F7, 32771},     {FVIRTKEY, VK_F8, 32772}};
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(expected[i].fVirt, entries[i].fVirt & ~0x80) << i;  // 0x80 marks the last entry
    EXPECT_EQ(expected[i].key, entries[i].key) << i;
    EXPECT_EQ(expected[i].cmd, entries[i].cmd) << i;
  }
  DestroyAcceleratorTable(table);
  FreeLibrary(program);
}

class MainMenuTest : public StartupTest {
 protected:
  // Opens the view menu from the keyboard (Alt+V) and reads it as it opens.
  std::vector<MenuProbeItem> OpenViewMenu() {
    LONG sequence = reader->Sequence();
    PostMessageA(window.Frame(), WM_SYSCOMMAND, SC_KEYMENU, 'v');
    std::vector<MenuProbeItem> items = reader->WaitForMenu(sequence);
    // Escape closes the popup, then the menu bar.
    PostMessageA(window.Frame(), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(window.Frame(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return window.PaneText(0) == Cp936("Windows 服务管理器 1.2.5G"); }));
    return items;
  }
  static bool Checked(const std::vector<MenuProbeItem>& items, UINT id) {
    const MenuProbeItem* item = FindItem(items, id);
    return item && (item->state & MFS_CHECKED);
  }
  void SetUp() override {
    StartupTest::SetUp();
    reader = std::make_unique<MenuReader>(window.ThreadId());
    ASSERT_TRUE(reader->Ready());
  }
  std::unique_ptr<MenuReader> reader;
};

TEST_F(MainMenuTest, ViewMenuItemsAndCheckMarks) {
  std::vector<MenuProbeItem> items = OpenViewMenu();
  struct Expected {
    UINT id;
    const char* text;
  };
  const Expected expected[] = {{32771, "显示应用层服务\tF7"},
                               {32772, "显示核心层服务\tF8"},
                               {0, ""},
                               {32773, "刷新(&F)...\tF5"},
                               {32796, "显示文件信息"},
                               {0, ""},
                               {32785, "查找(&F)...\tCtrl+F"},
                               {32786, "查找下一个(&N)\tF3"},
                               {0, ""},
                               {59393, "状态栏(&S)"},
                               {0, ""},
                               {32783, "计算机..."},
                               {32784, "本机"}};
  ASSERT_EQ(std::size(expected), items.size());
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(expected[i].id, items[i].id) << i;
    if (expected[i].id) {  // separators: no text, and reported disabled
      EXPECT_EQ(Cp936(expected[i].text), items[i].text) << i;
      EXPECT_FALSE(items[i].state & MFS_GRAYED) << i;
    }
  }
  EXPECT_TRUE(Checked(items, 32771));
  EXPECT_FALSE(Checked(items, 32772));
  EXPECT_TRUE(Checked(items, 59393));
  EXPECT_TRUE(Checked(items, 32784));
  EXPECT_FALSE(Checked(items, 32783));
  EXPECT_TRUE(Checked(items, 32796));  // the file-information columns are shown

  // F8: kernel-level services.
  window.PressKey(VK_F8);
  int drivers = ServiceCount(SERVICE_DRIVER);
  ASSERT_TRUE(WaitUntil([&] { return window.PaneText(1) == CountText(drivers); }));
  EXPECT_EQ(drivers, window.RowCount());
  items = OpenViewMenu();
  EXPECT_FALSE(Checked(items, 32771));
  EXPECT_TRUE(Checked(items, 32772));

  // F7: back to application-level services.
  window.PressKey(VK_F7);
  int services = ServiceCount(SERVICE_WIN32);
  ASSERT_TRUE(WaitUntil([&] { return window.PaneText(1) == CountText(services); }));
  EXPECT_TRUE(Checked(OpenViewMenu(), 32771));

  // Hiding the status bar takes the check mark away and the bar off the window.
  window.Command(59393);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(window.StatusBar()); }));
  items = OpenViewMenu();
  EXPECT_FALSE(Checked(items, 59393));
  window.Command(59393);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(window.StatusBar()) != FALSE; }));
}

TEST_F(StartupTest, FileAndHelpMenusFromTheProgram) {
  HMODULE program = LoadLibraryExA(TamberWindow::ProgramPath(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(nullptr, program);
  HMENU menu = LoadMenuA(program, MAKEINTRESOURCEA(128));
  ASSERT_NE(nullptr, menu);
  auto caption = [](HMENU m, UINT position) {
    char text[128] = {};
    GetMenuStringA(m, position, text, sizeof text, MF_BYPOSITION);
    return std::string(text);
  };
  ASSERT_EQ(3, GetMenuItemCount(menu));
  EXPECT_EQ(Cp936("文件(&F)"), caption(menu, 0));
  EXPECT_EQ(Cp936("查看(&V)"), caption(menu, 1));
  EXPECT_EQ(Cp936("帮助(&H)"), caption(menu, 2));
  HMENU file = GetSubMenu(menu, 0);
  ASSERT_EQ(4, GetMenuItemCount(file));
  EXPECT_EQ(57600u, GetMenuItemID(file, 0));
  EXPECT_EQ(Cp936("新建服务(&N)\tCtrl+N"), caption(file, 0));
  EXPECT_EQ(32797u, GetMenuItemID(file, 1));
  EXPECT_EQ(Cp936("导出服务信息"), caption(file, 1));
  EXPECT_EQ(0u, GetMenuItemID(file, 2));
  EXPECT_EQ(57665u, GetMenuItemID(file, 3));
  EXPECT_EQ(Cp936("退出(&X)"), caption(file, 3));
  HMENU help = GetSubMenu(menu, 2);
  ASSERT_EQ(1, GetMenuItemCount(help));
  EXPECT_EQ(57664u, GetMenuItemID(help, 0));
  EXPECT_EQ(Cp936("关于(&A)..."), caption(help, 0));
  DestroyMenu(menu);
  FreeLibrary(program);
}

TEST_F(StartupTest, KeysSendTheirCommands) {
  TestServices services;
  std::string name = services.Create();
  ASSERT_FALSE(name.empty());
  ASSERT_EQ(-1, window.RowOf(name));

  // F5 refreshes: the new service appears and the count follows.
  window.PressKey(VK_F5);
  ASSERT_TRUE(WaitUntil([&] { return window.RowOf(name) >= 0; }));
  EXPECT_EQ(CountText(window.RowCount()), window.PaneText(1));

  // Ctrl+N has no key: nothing opens. Ctrl+F opens the find dialog; the keys are handled
  // in order, so by then Ctrl+N has had its turn.
  window.PressKey('N', true);
  window.PressKey('F', true);
  HWND find = window.WaitForDialog(Cp936("查找"));
  ASSERT_NE(nullptr, find);
  EXPECT_EQ(find, window.FindDialog());  // the only dialog
  PostMessageA(find, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(find); }));

  // F3 without a find text opens the dialog too.
  window.PressKey(VK_F3);
  find = window.WaitForDialog(Cp936("查找"));
  ASSERT_NE(nullptr, find);
  PostMessageA(find, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(find); }));

  // Delete asks before it deletes the selected service; No keeps it.
  window.SelectOnly({window.RowOf(name)});
  window.PressKey(VK_DELETE);
  HWND question = window.WaitForDialog(Cp936("您确定要删除"));
  ASSERT_NE(nullptr, question);
  EXPECT_NE(std::string::npos, TamberWindow::DialogText(question).find(TestServices::DisplayNameOf(name)));
  EXPECT_TRUE(TamberWindow::Answer(question, IDNO));
  EXPECT_TRUE(services.Exists(name));
  EXPECT_GE(window.RowOf(name), 0);
}

}  // namespace
