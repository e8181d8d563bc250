#include "ui/CCreateServiceDlg.h"

#include <commdlg.h>
#include <winsvc.h>

#include "core/DialogRules.h"
#include "core/TamberText.h"
#include "res/Resource.h"

namespace {
// The open-file dialog's buffer for the chosen path.
constexpr DWORD kPathBytes = MAX_PATH;
constexpr DWORD kBrowseFlags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_LONGNAMES;  // 0x201804
}  // namespace

BEGIN_MESSAGE_MAP(CCreateServiceDlg, CDialog)
ON_COMMAND(IDC_OWN_PROCESS, OnApplicationService)
ON_COMMAND(IDC_SHARE_PROCESS, OnApplicationService)
ON_COMMAND(IDC_KERNEL_DRIVER, OnDriver)
ON_COMMAND(IDC_FILE_SYSTEM_DRIVER, OnDriver)
ON_COMMAND(IDC_BROWSE, OnBrowse)
END_MESSAGE_MAP()

CCreateServiceDlg::CCreateServiceDlg(CWnd* parent) : CDialog(IDD_CREATE_SERVICE, parent) {}

bool CCreateServiceDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  CheckRadioButton(IDC_OWN_PROCESS, IDC_FILE_SYSTEM_DRIVER, IDC_OWN_PROCESS);
  CheckRadioButton(IDC_START_AUTO, IDC_START_SYSTEM, IDC_START_DEMAND);
  ApplyApplicationServiceRule();
  if (browseBitmap_.LoadBitmap(IDB_BROWSE)) {
    SendDlgItemMessage(IDC_BROWSE, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(browseBitmap_.GetSafeHandle()));
  }
  return true;
}

void CCreateServiceDlg::ApplyApplicationServiceRule() {
  EnableItem(IDC_START_BOOT, false);
  EnableItem(IDC_START_SYSTEM, false);
  int checked =
      DialogRules::FirstChecked(IDC_START_AUTO, IDC_START_SYSTEM, [this](int id) { return IsDlgButtonChecked(id); });
  int keep = DialogRules::StartRadioForApplicationService(checked);
  if (keep != checked) CheckRadioButton(IDC_START_AUTO, IDC_START_SYSTEM, keep);
}

void CCreateServiceDlg::OnApplicationService() { ApplyApplicationServiceRule(); }

void CCreateServiceDlg::OnDriver() {
  EnableItem(IDC_START_BOOT, true);
  EnableItem(IDC_START_SYSTEM, true);
}

void CCreateServiceDlg::OnBrowse() {
  char path[kPathBytes] = {};
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = m_hWnd;
  dialog.lpstrFilter = tamber_text::kBrowseFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = kPathBytes;
  dialog.Flags = kBrowseFlags;
  if (!GetOpenFileNameA(&dialog)) return;
  SetDlgItemText(IDC_BINARY_PATH, path);
  FocusItem(IDC_BINARY_PATH);
}

void CCreateServiceDlg::OnOK() {
  using namespace tamber_text;
  using DialogRules::CreateProblem;
  m_serviceName = GetDlgItemText(IDC_SERVICE_NAME);
  m_displayName = GetDlgItemText(IDC_DISPLAY_NAME);
  m_binaryPath = GetDlgItemText(IDC_BINARY_PATH);
  for (;;) {
    switch (DialogRules::FirstCreateProblem(m_serviceName, m_displayName, m_binaryPath)) {
      case CreateProblem::kNoServiceName:
        MessageBox(kMsgNoServiceName, kAppTitle, MB_OK | MB_ICONERROR);
        FocusItem(IDC_SERVICE_NAME);
        return;
      case CreateProblem::kNoDisplayName:
        if (MessageBox(kMsgAskDisplayName, kCaptionDisplayName, MB_YESNO | MB_ICONINFORMATION) != IDYES) {
          FocusItem(IDC_DISPLAY_NAME);
          return;
        }
        m_displayName = m_serviceName;
        continue;
      case CreateProblem::kNoBinaryPath:
        MessageBox(kMsgNoBinaryPath, kAppTitle, MB_OK | MB_ICONERROR);
        FocusItem(IDC_BINARY_PATH);
        return;
      case CreateProblem::kNone: break;
    }
    break;
  }
  auto checked = [this](int id) { return IsDlgButtonChecked(id); };
  m_serviceType =
      DialogRules::ServiceTypeOfRadio(DialogRules::FirstChecked(IDC_OWN_PROCESS, IDC_FILE_SYSTEM_DRIVER, checked));
  m_startType = DialogRules::StartTypeOfRadio(DialogRules::FirstChecked(IDC_START_AUTO, IDC_START_SYSTEM, checked));
  EndDialog(IDOK);
}
