#include "ui/CConnectDlg.h"

#include "core/TamberText.h"
#include "framework/CDataExchange.h"
#include "res/Resource.h"

CConnectDlg::CConnectDlg(CWnd* parent) : CDialog(IDD_CONNECT, parent) {}

void CConnectDlg::DoDataExchange(CDataExchange* dx) {
  DDX_Text(dx, IDC_MACHINE_NAME, m_machineName);
  DDV_MaxChars(dx, m_machineName, kMaxMachineChars);
}

bool CConnectDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  FocusItem(IDC_MACHINE_NAME);
  return false;
}

void CConnectDlg::OnOK() {
  if (!UpdateData(true)) return;
  if (m_machineName.empty()) {
    MessageBox(tamber_text::kMsgNoMachineName, tamber_text::kAppTitle, MB_OK | MB_ICONINFORMATION);
    FocusItem(IDC_MACHINE_NAME);
    return;
  }
  EndDialog(IDOK);
}
