// CAboutDlg: the program's title and version; it only closes.
#pragma once

#include "framework/CDialog.h"

class CAboutDlg : public CDialog {
 public:
  explicit CAboutDlg(CWnd* parent = nullptr);
};
