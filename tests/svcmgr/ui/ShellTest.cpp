// The file-version columns, export through the real save dialog, the registry editor and
// Explorer, driven from outside on a test service whose program has a version resource.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "TamberWindow.h"
#include "core/ExportText.h"
#include "core/WindowSearch.h"

namespace {

constexpr int kCompany = 8, kDescription = 9, kVersion = 10;
// The save dialog's file type combo box.
constexpr int kFileTypeCombo = 0x470;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether a file exists with content: the program creates it first and then writes the
// whole text at once.
bool Written(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) && (data.nFileSizeLow || data.nFileSizeHigh);
}

std::string TempPath(const std::string& name) {
  char directory[MAX_PATH] = {};
  GetTempPathA(sizeof directory, directory);
  return std::string(directory) + name;
}

std::string ProcessImage(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (!process) return {};
  char path[MAX_PATH] = {};
  DWORD size = sizeof path;
  QueryFullProcessImageNameA(process, 0, path, &size);
  CloseHandle(process);
  return path;
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> windows;
  EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// A tree item's text, read through a block in the tree's process.
std::string SelectedTreeText(HWND tree) {
  auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  if (!item) return {};
  DWORD processId = 0;
  GetWindowThreadProcessId(tree, &processId);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
  if (!process) return {};
  constexpr size_t kText = 256;
  auto* block =
      static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(TVITEMA) + kText, MEM_COMMIT, PAGE_READWRITE));
  std::string text;
  if (block) {
    TVITEMA info{};
    info.mask = TVIF_TEXT;
    info.hItem = item;
    info.pszText = block + sizeof info;
    info.cchTextMax = kText;
    SIZE_T done = 0;
    WriteProcessMemory(process, block, &info, sizeof info, &done);
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(block));
    char local[kText + 1] = {};
    ReadProcessMemory(process, block + sizeof info, local, kText, &done);
    text = local;
    VirtualFreeEx(process, block, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

void CloseProcessWindow(HWND window) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
  PostMessageA(window, WM_CLOSE, 0, 0);
  if (process) {
    if (WaitForSingleObject(process, 5000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
    CloseHandle(process);
  }
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    name = services.Create("shell");
    ASSERT_FALSE(name.empty());
    ASSERT_TRUE(window.Start());
    ASSERT_GE(window.RowOf(name), 0);
  }
  std::string Cell(int column) const { return window.Cell(window.RowOf(name), column); }

  // Runs the export command and saves through the save dialog under `file`, after
  // choosing the filter at `filterIndex` (0: text files, 1: all files).
  void Export(const std::string& file, int filterIndex) {
    window.Command(32797);
    HWND dialog = window.WaitForDialog();
    ASSERT_NE(nullptr, dialog);
    HWND edit = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (edit = TamberWindow::FileNameEdit(dialog)) != nullptr; }));
    if (filterIndex != 0) {
      HWND combo = GetDlgItem(dialog, kFileTypeCombo);
      SendMessageA(combo, CB_SETCURSEL, filterIndex, 0);
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeCombo, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
    }
    SetWindowTextA(edit, file.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
  }
  // The export the list should give, built from what the window shows.
  std::string ExpectedExport() const {
    std::vector<std::string> headers;
    for (int column = 0; column < window.ColumnCount(); ++column) headers.push_back(window.Column(column).title);
    std::vector<std::vector<std::string>> rows;
    for (int row = 0; row < window.RowCount(); ++row) {
      std::vector<std::string> cells;
      for (size_t column = 0; column < headers.size(); ++column)
        cells.push_back(window.Cell(row, static_cast<int>(column)));
      rows.push_back(cells);
    }
    return ExportText::Build(headers, rows);
  }

  TestServices services;
  std::string name;
  TamberWindow window;
};

TEST_F(ShellTest, FileVersionColumnsAreFilledHiddenAndShownAgain) {
  ASSERT_EQ(11, window.ColumnCount());
  EXPECT_EQ(Cp936("制造商"), window.Column(kCompany).title);
  EXPECT_EQ(Cp936("Tamber 测试"), Cell(kCompany));
  EXPECT_EQ(Cp936("测试服务程序"), Cell(kDescription));
  EXPECT_EQ("3.1.4.1", Cell(kVersion));

  window.Command(32796);
  ASSERT_TRUE(WaitUntil([&] { return window.ColumnCount() == 8; }));
  window.Command(32796);
  ASSERT_TRUE(WaitUntil([&] { return window.ColumnCount() == 11; }));
  EXPECT_EQ(Cp936("文件版本"), window.Column(kVersion).title);
  EXPECT_EQ(100, window.Column(kVersion).width);
  EXPECT_TRUE(WaitUntil([&] { return Cell(kVersion) == "3.1.4.1"; }));
  EXPECT_EQ(Cp936("Tamber 测试"), Cell(kCompany));

  // A refresh fills them again.
  window.Command(32773);
  EXPECT_TRUE(WaitUntil([&] { return window.RowOf(name) >= 0 && Cell(kDescription) == Cp936("测试服务程序"); }));
}

TEST_F(ShellTest, ExportWritesTheListAsTheBuilderLaysItOut) {
  const std::string tag = std::to_string(GetCurrentProcessId());
  const std::string upper = TempPath("tamber_export_" + tag + ".TXT");
  const std::string bare = TempPath("tamber_export_" + tag);
  const std::string plain = TempPath("tamber_plain_" + tag);
  for (const std::string& file : {upper, bare + ".txt", plain, plain + ".txt"}) DeleteFileA(file.c_str());

  Export(upper, 0);
  ASSERT_TRUE(WaitUntil([&] { return Written(upper); }));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((upper + ".txt").c_str()));
  EXPECT_EQ(ExpectedExport(), ReadFile(upper));

  // The text filter appends ".txt" to a name without it; all files never appends.
  Export(bare, 0);
  EXPECT_TRUE(WaitUntil([&] { return Written(bare + ".txt"); }));
  Export(plain, 1);
  EXPECT_TRUE(WaitUntil([&] { return Written(plain); }));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((plain + ".txt").c_str()));
  EXPECT_EQ(ExpectedExport(), ReadFile(plain));
  for (const std::string& file : {upper, bare + ".txt", plain}) DeleteFileA(file.c_str());
}

TEST_F(ShellTest, ExportToAFileThatCannotBeReplacedIsReported) {
  const std::string file = TempPath("tamber_locked_" + std::to_string(GetCurrentProcessId()) + ".txt");
  // Held open without sharing: replacing it fails with a sharing violation.
  HANDLE held = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  DWORD written = 0;
  WriteFile(held, "kept", 4, &written, nullptr);

  window.Command(32797);
  HWND dialog = window.WaitForDialog();
  ASSERT_NE(nullptr, dialog);
  HWND edit = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (edit = TamberWindow::FileNameEdit(dialog)) != nullptr; }));
  SetWindowTextA(edit, file.c_str());
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  // The save dialog asks before it replaces a file: yes.
  HWND replace = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    replace = window.FindDialog();
    return replace && replace != dialog && GetDlgItem(replace, IDYES);
  }));
  ASSERT_TRUE(TamberWindow::Answer(replace, IDYES));
  HWND message = window.WaitForDialog(Cp936("创建文件失败:"));
  ASSERT_NE(nullptr, message);
  EXPECT_GT(TamberWindow::DialogText(message).size(), Cp936("创建文件失败:").size());  // the system's text follows
  ASSERT_TRUE(TamberWindow::Answer(message, IDOK));
  CloseHandle(held);
  EXPECT_EQ("kept", ReadFile(file));
  DeleteFileA(file.c_str());
}

TEST_F(ShellTest, RegistryCommandSelectsTheServiceKeyInTheEditor) {
  // The editor reopens the key it showed last: start it fresh.
  RegDeleteKeyValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", "LastKey");
  window.SelectOnly({window.RowOf(name)});
  window.Command(32798);
  HWND editor = nullptr;
  HWND tree = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        editor = FindWindowA("RegEdit_RegEdit", nullptr);
        tree = editor ? FindDescendantOfClass(editor, WC_TREEVIEWA) : nullptr;
        return tree && SelectedTreeText(tree) == name;
      },
      20000))
      << SelectedTreeText(tree);
  // The service's key sits under "Services" in the tree.
  auto selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  EXPECT_NE(nullptr, selected);
  EXPECT_EQ(nullptr, window.FindDialog());  // no failure message
  CloseProcessWindow(editor);
}

TEST_F(ShellTest, ExplorerCommandOpensAnExplorerWindow) {
  std::vector<HWND> before = TopLevelWindows();
  window.SelectOnly({window.RowOf(name)});
  window.Command(32782);
  HWND opened = nullptr;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (HWND candidate : TopLevelWindows()) {
          if (std::find(before.begin(), before.end(), candidate) != before.end() || !IsWindowVisible(candidate))
            continue;
          DWORD processId = 0;
          GetWindowThreadProcessId(candidate, &processId);
          std::string image = ProcessImage(processId);
          if (image.size() >= 12 && _stricmp(image.c_str() + image.size() - 12, "explorer.exe") == 0) {
            opened = candidate;
            return true;
          }
        }
        return false;
      },
      15000));
  CloseProcessWindow(opened);
}

}  // namespace
