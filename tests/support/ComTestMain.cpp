// Test entry for programs that talk to COM: the test thread joins the multithreaded
// apartment, as the web server's request threads do.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(hr)) {
    fprintf(stderr, "CoInitializeEx failed: 0x%08lx\n", static_cast<unsigned long>(hr));
    return 1;
  }
  int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
