// The extension's exported entry points.
#include <windows.h>
#include <httpext.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

extern "C" BOOL WINAPI GetExtensionVersion(HSE_VERSION_INFO*) { return TRUE; }

extern "C" DWORD WINAPI HttpExtensionProc(EXTENSION_CONTROL_BLOCK* ecb) {
  static const char kHead[] = "Content-Type: text/plain\r\n\r\n";
  DWORD size = sizeof(kHead) - 1;
  ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_SEND_RESPONSE_HEADER, const_cast<char*>("200 OK"), &size,
                             reinterpret_cast<DWORD*>(const_cast<char*>(kHead)));
  return HSE_STATUS_SUCCESS;
}
