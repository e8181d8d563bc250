// The create, connect and about dialogs opened by their commands and filled through
// their controls, as a user would; the create dialog creates in Wine's real manager.
#include <gtest/gtest.h>

#include "TamberWindow.h"

namespace {

constexpr int kName = 1001, kDisplay = 1002, kPath = 1012;
constexpr int kOwnProcess = 1003, kDriver = 1005;
constexpr int kAuto = 1007, kBoot = 1008, kDemand = 1009, kDisabled = 1010, kSystem = 1011;

HWND FocusOf(DWORD threadId) {
  GUITHREADINFO info{sizeof info};
  return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

bool Checked(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void PressOk(HWND dialog) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window.Start()); }

  HWND OpenCreateDialog() {
    window.Command(57600);
    return window.WaitForDialog(Cp936("创建服务"));
  }
  // Presses OK and answers the message that must follow, leaving the dialog open.
  void ExpectRefusal(HWND dialog, const char* message, int answer, int focusedId) {
    PressOk(dialog);
    HWND box = window.WaitForDialog(Cp936(message));
    ASSERT_NE(nullptr, box) << message;
    ASSERT_TRUE(TamberWindow::Answer(box, answer));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(window.ThreadId()) == GetDlgItem(dialog, focusedId); })) << message;
  }

  TestServices services;
  TamberWindow window;
};

TEST_F(DialogsTest, CreateDialogChecksEachFieldThenCreatesTheService) {
  HWND dialog = OpenCreateDialog();
  ASSERT_NE(nullptr, dialog);
  // Own process and demand start; boot and system start only for drivers.
  EXPECT_TRUE(Checked(dialog, kOwnProcess));
  EXPECT_TRUE(Checked(dialog, kDemand));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kBoot)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kSystem)));
  Click(dialog, kDriver);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, kBoot)));
  Click(dialog, kBoot);
  EXPECT_TRUE(Checked(dialog, kBoot));
  Click(dialog, kOwnProcess);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kBoot)));
  EXPECT_TRUE(Checked(dialog, kAuto));
  EXPECT_FALSE(Checked(dialog, kBoot));
  // The browse button shows a bitmap.
  EXPECT_NE(0, SendDlgItemMessageA(dialog, 1013, BM_GETIMAGE, IMAGE_BITMAP, 0));

  ExpectRefusal(dialog, "请输入服务名称!", IDOK, kName);
  std::string name = services.AdoptNew();
  SetDlgItemTextA(dialog, kName, name.c_str());
  ExpectRefusal(dialog, "服务显示名称未输入,是否把服务名作为显示名称?", IDNO, kDisplay);
  std::string display = Cp936("对话框 ") + name;
  SetDlgItemTextA(dialog, kDisplay, display.c_str());
  ExpectRefusal(dialog, "请输入服务程序路径!", IDOK, kPath);
  EXPECT_FALSE(services.Exists(name));

  SetDlgItemTextA(dialog, kPath, TestServices::ProgramPath().c_str());
  Click(dialog, kDisabled);
  PressOk(dialog);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  ASSERT_TRUE(WaitUntil([&] { return window.RowOf(name) >= 0; }, 10000));
  EXPECT_TRUE(services.Exists(name));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), services.StartType(name));
  int row = window.RowOf(name);
  EXPECT_EQ(display, window.Cell(row, 1));
  EXPECT_EQ(std::vector<int>{row}, window.SelectedRows());
}

TEST_F(DialogsTest, EmptyDisplayNameAnsweredYesTakesTheServiceName) {
  HWND dialog = OpenCreateDialog();
  ASSERT_NE(nullptr, dialog);
  std::string name = services.AdoptNew();
  SetDlgItemTextA(dialog, kName, name.c_str());
  SetDlgItemTextA(dialog, kPath, TestServices::ProgramPath().c_str());
  PressOk(dialog);
  HWND question = window.WaitForDialog(Cp936("服务显示名称未输入"));
  ASSERT_NE(nullptr, question);
  char caption[64] = {};
  GetWindowTextA(question, caption, sizeof caption);
  EXPECT_EQ(Cp936("显示名称"), caption);
  ASSERT_TRUE(TamberWindow::Answer(question, IDYES));
  ASSERT_TRUE(WaitUntil([&] { return window.RowOf(name) >= 0; }, 10000));
  EXPECT_EQ(name, window.Cell(window.RowOf(name), 1));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), services.StartType(name));
}

TEST_F(DialogsTest, BrowseButtonPutsTheChosenFileIntoTheProgramField) {
  HWND dialog = OpenCreateDialog();
  ASSERT_NE(nullptr, dialog);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1013, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, 1013)));
  // The open-file dialog is the process's other dialog.
  HWND open = nullptr;
  HWND edit = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    open = window.FindDialog();
    if (open == dialog) open = nullptr;
    edit = TamberWindow::FileNameEdit(open);
    return edit != nullptr;
  }));
  EXPECT_EQ(dialog, GetWindow(open, GW_OWNER));
  char file[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, file, sizeof file);  // an existing file, as the dialog demands
  SetWindowTextA(edit, file);
  PostMessageA(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(open, IDOK)));
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(open); }));
  char path[MAX_PATH] = {};
  EXPECT_TRUE(WaitUntil([&] {
    GetDlgItemTextA(dialog, kPath, path, sizeof path);
    return path[0] != '\0';
  }));
  EXPECT_EQ(0, _stricmp(file, path)) << path;
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(window.ThreadId()) == GetDlgItem(dialog, kPath); }));
  ASSERT_TRUE(TamberWindow::Answer(dialog, IDCANCEL));
}

TEST_F(DialogsTest, CancelCreatesNothing) {
  HWND dialog = OpenCreateDialog();
  ASSERT_NE(nullptr, dialog);
  std::string name = services.AdoptNew();
  SetDlgItemTextA(dialog, kName, name.c_str());
  SetDlgItemTextA(dialog, kDisplay, name.c_str());
  SetDlgItemTextA(dialog, kPath, TestServices::ProgramPath().c_str());
  ASSERT_TRUE(TamberWindow::Answer(dialog, IDCANCEL));
  EXPECT_FALSE(services.Exists(name));
  EXPECT_EQ(Cp936("共") + std::to_string(window.RowCount()) + Cp936("个服务"), window.PaneText(1));
}

TEST_F(DialogsTest, ConnectDialogAsksForANameAndStartsEmptyEachTime) {
  const std::string title = Cp936("请输入计算机名或IP地址");
  window.Command(32783);
  HWND dialog = window.WaitForDialog(title);
  ASSERT_NE(nullptr, dialog);
  EXPECT_TRUE(WaitUntil([&] { return FocusOf(window.ThreadId()) == GetDlgItem(dialog, 1001); }));
  ExpectRefusal(dialog, "请输入计算机名!", IDOK, 1001);
  SetDlgItemTextA(dialog, 1001, "otherhost");
  PressOk(dialog);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  // Wine opens its own manager for any machine name; the remote failures are covered by
  // the service-logic tests' doubles.
  EXPECT_TRUE(WaitUntil([&] { return window.PaneText(2) == "otherhost"; }, 10000));

  window.Command(32783);
  dialog = window.WaitForDialog(title);
  ASSERT_NE(nullptr, dialog);
  char text[64] = {"x"};
  GetDlgItemTextA(dialog, 1001, text, sizeof text);
  EXPECT_STREQ("", text);
  ASSERT_TRUE(TamberWindow::Answer(dialog, IDCANCEL));
  EXPECT_EQ("otherhost", window.PaneText(2));
}

TEST_F(DialogsTest, AboutBoxShowsTheTitleAndCloses) {
  window.Command(57664);
  HWND dialog = window.WaitForDialog(Cp936("关于 Windows 服务管理器"));
  ASSERT_NE(nullptr, dialog);
  EXPECT_NE(std::string::npos, TamberWindow::DialogText(dialog).find(Cp936("Windows 服务管理器 V1.2.5G")));
  EXPECT_TRUE(TamberWindow::Answer(dialog, IDOK));
}

}  // namespace
