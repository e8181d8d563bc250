// tamber.exe entry point.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, "Tamber", "Windows \xb7\xfe\xce\xf1\xb9\xdc\xc0\xed\xc6\xf7", MB_OK);
  return 0;
}
