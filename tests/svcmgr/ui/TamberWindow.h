// TamberWindow: tamber.exe started for a test and driven from outside, as a user or an
// accessibility tool would: its windows found by title and class, its list control,
// header and status bar read through memory in its process (their messages carry
// pointers, which are not carried across processes), keys sent as input, message boxes
// answered. Every wait polls with a deadline; nothing relies on a fixed sleep.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include <functional>
#include <string>
#include <vector>

#include "../core/TestText.h"
#include "MenuProbe.h"

// Polls `done` every few milliseconds until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

struct ColumnInfo {
  std::string title;
  int width = 0;
  int format = 0;  // LVCFMT_LEFT, LVCFMT_CENTER or LVCFMT_RIGHT
};

class TamberWindow {
 public:
  static constexpr char kTitleUtf8[] = "Corvel - Windows 服务管理器";

  TamberWindow() = default;
  ~TamberWindow();
  TamberWindow(const TamberWindow&) = delete;
  TamberWindow& operator=(const TamberWindow&) = delete;

  static const char* ProgramPath();
  // Starts tamber.exe without waiting for anything.
  bool Launch();
  // Starts tamber.exe and waits for its window with a filled list.
  bool Start();
  // Closes the window and waits for the process to end (terminates it when it hangs).
  void Close();

  HWND Frame() const { return frame_; }
  HWND List() const { return list_; }
  HWND StatusBar() const { return status_; }
  HANDLE Process() const { return process_; }
  DWORD ProcessId() const { return processId_; }
  DWORD ThreadId() const { return threadId_; }

  // The list.
  int RowCount() const;
  std::string Cell(int row, int column) const;
  std::vector<std::string> ColumnCells(int column) const;
  int RowOf(const std::string& name) const;  // by column 0, or -1
  std::vector<int> SelectedRows() const;
  void SelectOnly(const std::vector<int>& rows);
  int ColumnCount() const;
  ColumnInfo Column(int column) const;
  // Clicks a column header with the mouse.
  void ClickHeader(int column);

  // The status bar.
  std::string PaneText(int pane) const;

  // A command as the menu sends it; posted, so a message box it opens does not block.
  void Command(UINT id);
  // Keys pressed on the focused window: a virtual key, optionally with Ctrl held.
  void PressKey(WORD key, bool ctrl = false);

  // The top-level dialog of this process (a message box or the find dialog) whose text
  // or title contains `text` (code page 936; empty: any), or null.
  HWND FindDialog(const std::string& text = "") const;
  HWND WaitForDialog(const std::string& text = "", DWORD timeoutMs = 5000) const;
  // The texts of a dialog's static controls (a message box's message).
  static std::string DialogText(HWND dialog);
  // The file name edit of an open or save dialog: Wine's takes the name in the edit of a
  // combo box inside a ComboBoxEx (cmb13, 0x47c). Null while there is none.
  static HWND FileNameEdit(HWND fileDialog);
  // Presses a dialog button (IDOK, IDYES, IDNO, ...) and waits for the dialog to go.
  static bool Answer(HWND dialog, int button);

 private:
  // A block of memory in the program's process for the messages that carry pointers.
  class RemoteBlock;
  void Read(const void* remote, void* local, size_t size) const;
  void Write(void* remote, const void* local, size_t size) const;

  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  DWORD threadId_ = 0;
  HWND frame_ = nullptr;
  HWND list_ = nullptr;
  HWND status_ = nullptr;
};

// Test services created straight through the service manager, running the service-logic
// tests' test program; all deleted again at the end.
class TestServices {
 public:
  TestServices();
  ~TestServices();
  // A new service with a name unique to the run; its display name is Chinese text
  // followed by the name.
  std::string Create(const std::string& description = "", DWORD startType = SERVICE_DEMAND_START);
  static std::string DisplayNameOf(const std::string& name);
  // A name unique to the run for a service made elsewhere (by the program), deleted at the
  // end like the others.
  std::string AdoptNew();
  // The binary path every test service runs with (quoted program, backslashes, "run").
  static std::string ProgramPath();
  bool Exists(const std::string& name) const;
  DWORD StartType(const std::string& name) const;
  DWORD State(const std::string& name) const;

 private:
  SC_HANDLE manager_ = nullptr;
  std::vector<std::string> created_;
};

// Reads the menus tamber.exe opens through the menu probe hooked into its UI thread.
class MenuReader {
 public:
  explicit MenuReader(DWORD threadId);
  ~MenuReader();
  bool Ready() const { return hook_ && block_; }
  LONG Sequence() const { return block_ ? block_->sequence : 0; }
  // The next menu opened after `sequence`, or an empty list when none opened in time.
  std::vector<MenuProbeItem> WaitForMenu(LONG sequence, DWORD timeoutMs = 5000) const;

 private:
  HANDLE mapping_ = nullptr;
  MenuProbeBlock* block_ = nullptr;
  HMODULE probe_ = nullptr;
  HHOOK hook_ = nullptr;
};

// The item with a command id among the items of a menu dump, or null.
const MenuProbeItem* FindItem(const std::vector<MenuProbeItem>& items, UINT id);
