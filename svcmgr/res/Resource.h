// Resource and command ids of tamber.exe, shared by the resource script and the code.
#pragma once

// The frame's menu, accelerators, icon and document string; the context menu.
#define IDR_MAINFRAME 128
#define IDR_CONTEXT_MENU 131

// Main menu commands.
#define ID_VIEW_APPLICATION_SERVICES 32771
#define ID_VIEW_KERNEL_DRIVERS 32772
#define ID_VIEW_REFRESH 32773
#define ID_VIEW_FILE_INFO 32796
#define ID_FIND 32785
#define ID_FIND_NEXT 32786
#define ID_CONNECT_OTHER 32783
#define ID_CONNECT_LOCAL 32784
#define ID_EXPORT 32797
#define ID_FILE_NEW_SERVICE 57600
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_VIEW_STATUS_BAR 59393

// Context menu commands.
#define ID_SERVICE_START 32776
#define ID_SERVICE_STOP 32775
#define ID_SERVICE_DELETE 32774
#define ID_START_AUTO 32777
#define ID_START_BOOT 32778
#define ID_START_DEMAND 32779
#define ID_START_DISABLED 32780
#define ID_START_SYSTEM 32781
#define ID_SHOW_FILE 32782
#define ID_SHOW_REGISTRY 32798
#define ID_COPY_NAME 32789
#define ID_COPY_DISPLAY_NAME 32790
#define ID_COPY_DESCRIPTION 32791
#define ID_COPY_PATH 32792
#define ID_COPY_COMPANY 32793
#define ID_COPY_FILE_DESCRIPTION 32794
#define ID_COPY_FILE_VERSION 32795

// The dependency popup's items: the first id, and the last one the menu may use.
#define ID_DEPENDENCY_FIRST 2000
#define ID_DEPENDENCY_LAST 2100

// Strings: the application title and the idle text of the status bar.
#define IDS_APP_TITLE 57344
#define IDS_IDLE_MESSAGE 57345

// Dialogs: the about box, the create dialog with its browse button's bitmap, the connect
// dialog.
#define IDD_ABOUTBOX 100
#define IDD_CREATE_SERVICE 132
#define IDB_BROWSE 133
#define IDD_CONNECT 134

// Controls of the create dialog (the connect dialog's edit is 1001 too).
#define IDC_SERVICE_NAME 1001
#define IDC_DISPLAY_NAME 1002
#define IDC_OWN_PROCESS 1003
#define IDC_SHARE_PROCESS 1004
#define IDC_KERNEL_DRIVER 1005
#define IDC_FILE_SYSTEM_DRIVER 1006
#define IDC_START_AUTO 1007
#define IDC_START_BOOT 1008
#define IDC_START_DEMAND 1009
#define IDC_START_DISABLED 1010
#define IDC_START_SYSTEM 1011
#define IDC_BINARY_PATH 1012
#define IDC_BROWSE 1013
#define IDC_MACHINE_NAME 1001
