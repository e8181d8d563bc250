// CCreateServiceDlg: the values of a new service. Boot and system start are offered
// only for drivers; the browse button picks the program with the open-file dialog. OK
// checks the fields in order and stays open with its message at the first one missing.
#pragma once

#include <windows.h>

#include <string>

#include "framework/CBitmap.h"
#include "framework/CDialog.h"

class CCreateServiceDlg : public CDialog {
 public:
  explicit CCreateServiceDlg(CWnd* parent = nullptr);

  std::string m_serviceName;
  std::string m_displayName;
  std::string m_binaryPath;
  DWORD m_serviceType = SERVICE_WIN32_OWN_PROCESS;
  DWORD m_startType = SERVICE_DEMAND_START;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnApplicationService();
  void OnDriver();
  void OnBrowse();

  DECLARE_MESSAGE_MAP()

 private:
  // Boot and system start are not offered for application services.
  void ApplyApplicationServiceRule();

  CBitmap browseBitmap_;
};
