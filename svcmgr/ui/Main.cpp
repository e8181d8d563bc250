// tamber.exe entry point: the one application object and the framework's main.
#include <windows.h>

#include "framework/CWinApp.h"
#include "ui/CTamberApp.h"

CTamberApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return AfxWinMain(instance); }
