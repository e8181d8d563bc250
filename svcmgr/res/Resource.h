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
