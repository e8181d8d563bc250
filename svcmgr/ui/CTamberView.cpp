#include "ui/CTamberView.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <numeric>

#include "core/BinaryPath.h"
#include "core/ContextMenuRules.h"
#include "core/ExportText.h"
#include "core/VersionResource.h"
#include "core/ErrorText.h"
#include "core/ServiceFind.h"
#include "core/ServiceRow.h"
#include "core/ServiceSort.h"
#include "core/TamberText.h"
#include "core/Win32KeyState.h"
#include "core/Win32ServiceApi.h"
#include "core/Win32ServiceList.h"
#include "core/Win32StatusPanes.h"
#include "core/Win32TickClock.h"
#include "core/Win32UserPrompt.h"
#include "core/Win32WaitCursor.h"
#include "framework/CCmdUI.h"
#include "framework/CFindReplaceDialog.h"
#include "framework/CMenu.h"
#include "res/Resource.h"
#include "ui/CConnectDlg.h"
#include "ui/CCreateServiceDlg.h"
#include "ui/CTamberApp.h"
#include "ui/CTamberDoc.h"
#include "ui/RegistryEditor.h"

namespace {

using namespace tamber_text;

struct ColumnLayout {
  int width;
  int format;
};
constexpr ColumnLayout kColumns[ServiceRow::kFixedColumnCount] = {
    {80, LVCFMT_LEFT},  {160, LVCFMT_LEFT}, {90, LVCFMT_CENTER}, {56, LVCFMT_CENTER},
    {56, LVCFMT_RIGHT}, {65, LVCFMT_RIGHT}, {180, LVCFMT_LEFT},  {150, LVCFMT_LEFT}};

constexpr DWORD kExtendedStyles = LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_LABELTIP;  // 0x4030
constexpr int kIconSize = 16;
constexpr int kImagesInitial = 6;
constexpr int kImagesGrow = 1;
// The options of the find dialog that carry over from one dialog to the next.
constexpr DWORD kFindOptions = FR_DOWN | FR_MATCHCASE | FR_WHOLEWORD;
// A copied cell holds at most this many bytes.
constexpr size_t kMaxCopyBytes = 1023;
constexpr UINT kAnySound = 0xFFFFFFFF;
constexpr int kFileInfoColumnWidth = 100;
// Explorer opened on a file: the quoted path follows.
constexpr char kExplorerCommand[] = "explorer /n,/select,";
// The save dialog's buffer for the export file name, and its flags.
constexpr DWORD kExportNameBytes = MAX_PATH;
constexpr DWORD kExportFlags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_LONGNAMES;  // 0x200806

UINT g_findMessage = 0;

HWND MainWindow() {
  CWinApp* app = CWinApp::Get();
  return app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

ProgramState& Program() {
  static ProgramState fallback;
  auto* app = static_cast<CTamberApp*>(CWinApp::Get());
  return app ? app->Program() : fallback;
}

// The cell text cut to the clipboard's limit, never in the middle of a double-byte
// character.
std::string CopyText(std::string text) {
  if (text.size() <= kMaxCopyBytes) return text;
  size_t end = 0;
  while (end < kMaxCopyBytes) {
    size_t next = end + (IsDBCSLeadByte(static_cast<BYTE>(text[end])) ? 2 : 1);
    if (next > kMaxCopyBytes) break;
    end = next;
  }
  text.resize(end);
  return text;
}

}  // namespace

// The platform behind the service commands: the real manager, the list control, message
// boxes, the frame's panes, the wait cursor, the keyboard and the clock.
struct CTamberView::Platform {
  explicit Platform(HWND list) : list(list), user(list) {}
  Win32ServiceApi api;
  Win32ServiceList list;
  Win32UserPrompt user;
  Win32StatusPanes panes{&MainWindow};
  Win32WaitCursor cursor;
  Win32KeyState keys;
  Win32TickClock clock;
};

BEGIN_MESSAGE_MAP(CTamberView, CListView)
ON_MESSAGE(WM_CREATE, OnCreate)
ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
ON_REGISTERED_MESSAGE(g_findMessage, OnFindMessage)
ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, OnColumnClick)
ON_NOTIFY_REFLECT(LVN_ITEMCHANGED, OnItemChanged)
ON_COMMAND(ID_VIEW_APPLICATION_SERVICES, OnViewApplicationServices)
ON_COMMAND(ID_VIEW_KERNEL_DRIVERS, OnViewKernelDrivers)
ON_UPDATE_COMMAND_UI(ID_VIEW_APPLICATION_SERVICES, OnUpdateViewApplicationServices)
ON_UPDATE_COMMAND_UI(ID_VIEW_KERNEL_DRIVERS, OnUpdateViewKernelDrivers)
ON_COMMAND(ID_VIEW_REFRESH, OnRefresh)
ON_COMMAND(ID_CONNECT_LOCAL, OnConnectLocal)
ON_UPDATE_COMMAND_UI(ID_CONNECT_LOCAL, OnUpdateConnectLocal)
ON_COMMAND(ID_CONNECT_OTHER, OnConnectOther)
ON_UPDATE_COMMAND_UI(ID_CONNECT_OTHER, OnUpdateConnectOther)
ON_COMMAND(ID_SERVICE_START, OnStartServices)
ON_COMMAND(ID_SERVICE_STOP, OnStopServices)
ON_COMMAND(ID_SERVICE_DELETE, OnDeleteServices)
ON_COMMAND_RANGE(ID_START_AUTO, ID_START_SYSTEM, OnStartType)
ON_COMMAND_RANGE(ID_COPY_NAME, ID_COPY_FILE_VERSION, OnCopy)
ON_COMMAND(ID_FIND, OnFind)
ON_COMMAND(ID_FIND_NEXT, OnFindNext)
ON_COMMAND(ID_SHOW_FILE, OnShowFile)
ON_COMMAND(ID_SHOW_REGISTRY, OnShowRegistry)
ON_COMMAND(ID_VIEW_FILE_INFO, OnToggleFileInfo)
ON_COMMAND(ID_EXPORT, OnExport)
ON_COMMAND(ID_FILE_NEW_SERVICE, OnNewService)
END_MESSAGE_MAP()

CTamberView::CTamberView() : sortColumn_(ServiceSort::kNoColumn), findFlags_(FR_DOWN) {
  g_findMessage = CFindReplaceDialog::GetFindReplaceMsg();
}

CTamberView::~CTamberView() = default;

CTamberDoc* CTamberView::GetDocument() const { return static_cast<CTamberDoc*>(CListView::GetDocument()); }

void CTamberView::PreCreateWindow(CREATESTRUCTA& cs) {
  CListView::PreCreateWindow(cs);
  cs.style |= LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SORTASCENDING;
  cs.style &= ~static_cast<DWORD>(LVS_SORTDESCENDING);
}

LRESULT CTamberView::OnCreate(WPARAM wParam, LPARAM lParam) {
  if (Default(WM_CREATE, wParam, lParam) == -1) return -1;
  CListCtrl list = GetListCtrl();
  list.SetExtendedStyle(list.GetExtendedStyle() | kExtendedStyles);
  if (images_.Create(kIconSize, kIconSize, ILC_MASK | ILC_COLOR8, kImagesInitial, kImagesGrow)) {
    images_.Add(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
    // The list destroys its image list with itself.
    list.SetImageList(images_.Detach(), LVSIL_SMALL);
  }
  for (int column = 0; column < ServiceRow::kFixedColumnCount; ++column) {
    list.InsertColumn(column, ServiceRow::ColumnTitle(column), kColumns[column].format, kColumns[column].width);
  }
  platform_ = std::make_unique<Platform>(m_hWnd);
  commands_ = std::make_unique<ServiceCommands>(
      ServiceCommandsParts{platform_->api, platform_->list, *this, platform_->user, platform_->panes, platform_->cursor,
                           platform_->keys, platform_->clock, Program()});
  // A document that asks for the file-information columns gets them from the start.
  if (CTamberDoc* document = GetDocument(); document && document->m_fileInfoBase != 0) {
    document->m_fileInfoBase = 0;
    OnToggleFileInfo();
  }
  return 0;
}

void CTamberView::OnInitialUpdate() {
  if (commands_) commands_->Connect(nullptr);
}

int CTamberView::FillFileInfo() {
  CTamberDoc* document = GetDocument();
  const int base = document ? document->m_fileInfoBase : 0;
  if (base == 0) return 0;
  CListCtrl list = GetListCtrl();
  for (int row = 0, rows = list.GetItemCount(); row < rows; ++row) {
    std::string path = RowFilePath(row);
    if (path.empty()) continue;
    // Files of this machine, even while the list shows another machine's services.
    std::vector<BYTE> block = VersionResource::LoadFromFile(path);
    if (block.empty()) continue;
    std::array<std::string, 3> cells = VersionResource(block.data(), block.size()).FileInfo();
    for (int key = 0; key < ServiceRow::kFileInfoColumnCount; ++key) {
      if (!cells[key].empty()) list.SetItemText(row, base + key, cells[key]);
    }
  }
  return base;
}

std::string CTamberView::RowFilePath(int row) const {
  std::string cell = GetListCtrl().GetItemText(row, ServiceRow::kBinaryPath);
  return BinaryPath::Resolve(cell, commands_->Filter(), BinaryPath::WindowsDirectory());
}

void CTamberView::OnToggleFileInfo() {
  CTamberDoc* document = GetDocument();
  if (!document) return;
  CListCtrl list = GetListCtrl();
  if (document->m_fileInfoBase != 0) {
    for (int i = 0; i < ServiceRow::kFileInfoColumnCount; ++i) list.DeleteColumn(document->m_fileInfoBase);
    document->m_fileInfoBase = 0;
    return;
  }
  const int base = list.GetColumnCount();
  for (int i = 0; i < ServiceRow::kFileInfoColumnCount; ++i) {
    list.InsertColumn(base + i, ServiceRow::FileInfoColumnTitle(i), LVCFMT_LEFT, kFileInfoColumnWidth);
  }
  document->m_fileInfoBase = base;
  FillFileInfo();
}

void CTamberView::OnShowFile() {
  WaitCursorScope wait(platform_->cursor);
  wait.Show();
  CListCtrl list = GetListCtrl();
  for (int row = -1; (row = list.GetNextItem(row, LVNI_SELECTED)) >= 0;) {
    std::string path = RowFilePath(row);
    if (path.empty()) continue;
    std::string command = std::string(kExplorerCommand) + "\"" + path + "\"";
    WinExec(command.c_str(), SW_SHOW);
  }
}

void CTamberView::OnShowRegistry() {
  int row = GetListCtrl().GetNextItem(-1, LVNI_SELECTED);
  if (row < 0) return;
  RegistryEditor::ShowServiceKey(m_hWnd, GetListCtrl().GetItemText(row, ServiceRow::kName));
}

std::string CTamberView::BuildExportText() const {
  CListCtrl list = GetListCtrl();
  const int columns = std::min<int>(list.GetColumnCount(), ExportText::kMaxColumns);
  std::vector<std::string> headers;
  for (int column = 0; column < columns; ++column) {
    headers.push_back(list.GetColumnText(column, ExportText::kMaxCellBytes));
  }
  std::vector<std::vector<std::string>> rows;
  for (int row = 0, count = list.GetItemCount(); row < count; ++row) {
    std::vector<std::string> cells;
    for (int column = 0; column < columns; ++column) cells.push_back(list.GetItemText(row, column));
    rows.push_back(std::move(cells));
  }
  return ExportText::Build(headers, rows);
}

void CTamberView::OnExport() {
  // Room for the name and the ".txt" the text filter may add.
  char name[kExportNameBytes + sizeof ".txt"] = {};
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = m_hWnd;
  dialog.lpstrFilter = kExportFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name;
  dialog.nMaxFile = kExportNameBytes;
  dialog.Flags = kExportFlags;
  if (!GetSaveFileNameA(&dialog)) return;
  std::string path = ExportText::WithTextExtension(name, dialog.nFilterIndex == 1);

  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::string text = std::string(kMsgCreateFileFailed) + ErrorText();
    Message(text.c_str(), MB_OK | MB_ICONERROR);
    return;
  }
  std::string text = BuildExportText();
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

void CTamberView::OnNewService() {
  CCreateServiceDlg dialog(this);
  if (dialog.DoModal() != IDOK) {
    commands_->UpdateCountPane();
    return;
  }
  commands_->CreateNewService(dialog.m_serviceName, dialog.m_displayName, dialog.m_binaryPath, dialog.m_serviceType,
                              dialog.m_startType);
}

void CTamberView::OnConnectOther() {
  CConnectDlg dialog(this);
  if (dialog.DoModal() == IDOK) commands_->Connect(dialog.m_machineName.c_str());
}

void CTamberView::SortRows() {
  if (sortColumn_ == ServiceSort::kNoColumn) return;  // rows stay in insertion order
  // Each row's cell is read once for this sort; the rows are ordered by the comparison
  // (equal rows keep their order), and the list is rearranged by each row's new place.
  // Wine's list control garbles the order when its comparison reads cells by index
  // while it sorts (LVM_SORTITEMSEX), so the comparison runs here on the texts.
  CListCtrl list = GetListCtrl();
  const int rows = list.GetItemCount();
  std::vector<std::string> cells(static_cast<size_t>(rows));
  for (int row = 0; row < rows; ++row) cells[row] = list.GetItemText(row, sortColumn_);
  std::vector<int> order(static_cast<size_t>(rows));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return ServiceSort::CompareRows(sortColumn_, sortAscending_, cells[a].c_str(), cells[b].c_str()) < 0;
  });
  for (int place = 0; place < rows; ++place) list.SetItemData(order[place], place);
  list.SortItems([](LPARAM a, LPARAM b, LPARAM) -> int { return a < b ? -1 : a > b ? 1 : 0; }, 0);
}

void CTamberView::OnColumnClick(NMHDR* header, LRESULT* result) {
  auto* info = reinterpret_cast<NMLISTVIEW*>(header);
  sortAscending_ = info->iSubItem != sortColumn_ ? true : !sortAscending_;
  sortColumn_ = info->iSubItem;
  SortRows();
  *result = 0;
}

void CTamberView::OnItemChanged(NMHDR* header, LRESULT* result) {
  auto* info = reinterpret_cast<NMLISTVIEW*>(header);
  if (commands_ && (info->uChanged & LVIF_STATE) && (info->uNewState & LVIS_SELECTED) && info->iItem >= 0) {
    commands_->SetFindPosition(info->iItem, -1);
  }
  *result = 0;
}

void CTamberView::ChangeFilter(DWORD filter) {
  if (commands_->Filter() == filter) return;
  commands_->SetFilter(filter);
  commands_->RefreshList();
}

void CTamberView::OnViewApplicationServices() { ChangeFilter(ServiceCommands::kApplicationServices); }
void CTamberView::OnViewKernelDrivers() { ChangeFilter(ServiceCommands::kKernelDrivers); }

void CTamberView::OnUpdateViewApplicationServices(CCmdUI* ui) {
  ui->SetCheck(commands_->Filter() == ServiceCommands::kApplicationServices);
}

void CTamberView::OnUpdateViewKernelDrivers(CCmdUI* ui) {
  ui->SetCheck(commands_->Filter() == ServiceCommands::kKernelDrivers);
}

void CTamberView::OnRefresh() { commands_->RefreshList(); }
void CTamberView::OnConnectLocal() { commands_->Connect(nullptr); }
void CTamberView::OnUpdateConnectLocal(CCmdUI* ui) { ui->SetCheck(commands_->IsLocal()); }
void CTamberView::OnUpdateConnectOther(CCmdUI* ui) { ui->SetCheck(!commands_->IsLocal()); }
void CTamberView::OnStartServices() { commands_->StartServices(); }
void CTamberView::OnStopServices() { commands_->StopServices(); }
void CTamberView::OnDeleteServices() { commands_->DeleteServices(); }
void CTamberView::OnStartType(UINT id) { commands_->SetStartType(id); }

int CTamberView::Message(const char* text, UINT type) { return MessageBoxA(m_hWnd, text, kAppTitle, type); }

void CTamberView::SelectOnly(int row) {
  CListCtrl list = GetListCtrl();
  list.SetItemState(-1, 0, LVIS_SELECTED);
  list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

LRESULT CTamberView::OnContextMenu(WPARAM, LPARAM) {
  ServiceList& rows = platform_->list;
  int first = rows.NextSelected(-1);
  if (first < 0) return 0;

  std::vector<std::string> dependencies;
  if (rows.NextSelected(first) < 0) dependencies = commands_->QueryDependencies(rows.GetCell(first, ServiceRow::kName));
  ContextMenuRules::Situation situation{commands_->Filter(), commands_->IsLocal(), FillFileInfo()};
  ContextMenuRules::Plan plan = ContextMenuRules::PlanMenu(rows, situation, dependencies);
  if (!plan.show) return 0;

  CMenu menu;
  if (!menu.LoadMenu(IDR_CONTEXT_MENU)) return 0;
  CMenu popup = menu.GetSubMenu(0);
  for (UINT id : plan.removeCommands) popup.DeleteMenu(id, MF_BYCOMMAND);
  if (plan.removeCopyPopup) {
    popup.DeleteMenu(ContextMenuRules::kCopyPopupPosition, MF_BYPOSITION);  // the popup
    popup.DeleteMenu(ContextMenuRules::kCopyPopupPosition, MF_BYPOSITION);  // its separator
  }
  for (UINT id : plan.grayCommands) popup.EnableMenuItem(id, MF_BYCOMMAND | MF_GRAYED);
  if (!plan.dependencyCaptions.empty()) {
    CMenu dependencyMenu;
    if (dependencyMenu.CreatePopupMenu()) {
      for (size_t i = 0; i < plan.dependencyCaptions.size(); ++i) {
        dependencyMenu.AppendMenu(MF_STRING, ID_DEPENDENCY_FIRST + i, plan.dependencyCaptions[i].c_str());
      }
      // The context menu owns the popup from here on.
      popup.InsertMenu(ID_SHOW_FILE, MF_BYCOMMAND | MF_POPUP, reinterpret_cast<UINT_PTR>(dependencyMenu.Detach()),
                       kDependencyPopup);
    }
  }

  POINT cursor{};
  GetCursorPos(&cursor);
  UINT chosen = popup.TrackPopupMenu(TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, m_hWnd);
  if (chosen >= ID_DEPENDENCY_FIRST && chosen <= ID_DEPENDENCY_LAST) {
    size_t index = chosen - ID_DEPENDENCY_FIRST;
    if (index < plan.dependencies.size()) ChooseDependency(plan.dependencies[index]);
  } else {
    SendMessage(WM_COMMAND, chosen, 0);
  }
  return 0;
}

void CTamberView::ChooseDependency(const std::string& name) {
  int row = ContextMenuRules::RowOfService(platform_->list, name);
  if (row < 0) {
    Message(kMsgDependencyNotListed, MB_OK | MB_ICONINFORMATION);
    return;
  }
  SelectOnly(row);
  GetListCtrl().EnsureVisible(row, false);
}

// Another program (a clipboard viewer, a paste in progress) may hold the clipboard for a
// moment; only a clipboard that stays taken is a failure.
bool CTamberView::OpenClipboardPatiently() {
  for (int attempt = 0; attempt < kClipboardAttempts; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(kClipboardRetryMs);
  }
  return false;
}

void CTamberView::OnCopy(UINT id) {
  int column = ContextMenuRules::CopyColumn(id, FillFileInfo());
  int row = GetListCtrl().GetNextItem(-1, LVNI_SELECTED);
  if (row < 0 || column < 0) {
    MessageBeep(kAnySound);
    return;
  }
  if (!OpenClipboardPatiently()) {
    std::string text = std::string(kMsgClipboardFailed) + ErrorText();
    Message(text.c_str(), MB_OK | MB_ICONERROR);
    return;
  }
  EmptyClipboard();
  std::string text = CopyText(GetListCtrl().GetItemText(row, column));
  // Without a block nothing is written: the clipboard is left empty.
  if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1)) {
    if (void* bytes = GlobalLock(block)) {
      memcpy(bytes, text.c_str(), text.size() + 1);
      GlobalUnlock(block);
      if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    } else {
      GlobalFree(block);
    }
  }
  CloseClipboard();
}

void CTamberView::OnFind() {
  auto* dialog = new CFindReplaceDialog;
  if (!dialog->Create(findText_, findFlags_ & kFindOptions, this)) delete dialog;
}

void CTamberView::OnFindNext() {
  if (findText_.empty()) {
    OnFind();
  } else {
    Search();
  }
}

LRESULT CTamberView::OnFindMessage(WPARAM, LPARAM lParam) {
  CFindReplaceDialog* dialog = CFindReplaceDialog::GetNotifier(lParam);
  if (!dialog) return 0;
  findText_ = dialog->GetFindString();
  findFlags_ = dialog->GetFlags();
  if ((findFlags_ & FR_FINDNEXT) && !findText_.empty()) Search();
  return 0;
}

void CTamberView::Search() {
  ServiceFind::CellPosition from{commands_->FindRow(), commands_->FindColumn()};
  auto found = ServiceFind::FindNext(platform_->list, GetListCtrl().GetColumnCount(), findText_, findFlags_, from);
  if (!found) {
    Message(kMsgSearchDone, MB_OK | MB_ICONINFORMATION);
    return;
  }
  SelectOnly(found->row);
  GetListCtrl().EnsureVisible(found->row, false);
  commands_->SetFindPosition(found->row, found->column);
}
