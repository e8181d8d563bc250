#include "ui/CAboutDlg.h"

#include "res/Resource.h"

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}
