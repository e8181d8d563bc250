// CConnectDlg: the name or address of the machine to connect to. It starts empty every
// time; OK stays open with a message while the name is empty.
#pragma once

#include <string>

#include "framework/CDialog.h"

class CConnectDlg : public CDialog {
 public:
  // The longest machine name or address the edit takes.
  static constexpr int kMaxMachineChars = 260;

  explicit CConnectDlg(CWnd* parent = nullptr);

  std::string m_machineName;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void DoDataExchange(CDataExchange* dx) override;
};
