// Binary paths of services turned into file paths, for both service filters.
#include <gtest/gtest.h>

#include "core/BinaryPath.h"
#include "core/ServiceCommands.h"

namespace {

constexpr DWORD kApps = ServiceCommands::kApplicationServices;
constexpr DWORD kDrivers = ServiceCommands::kKernelDrivers;
constexpr char kWindows[] = "C:\\windows\\";

struct PathCase {
  const char* binaryPath;
  DWORD filter;
  const char* file;
};

TEST(BinaryPath, ResolvesEveryKindOfPathTheManagerStores) {
  const PathCase cases[] = {
      // Empty stays empty, whatever the filter.
      {"", kApps, ""},
      {"", kDrivers, ""},
      // Kernel paths relative to the Windows directory.
      {"\\SystemRoot\\System32\\drivers\\tcpip.sys", kDrivers, "C:\\windows\\system32\\drivers\\tcpip.sys"},
      {"system32\\DRIVERS\\x.sys", kDrivers, "C:\\windows\\system32\\drivers\\x.sys"},
      {"System32\\drivers\\noext", kDrivers, "C:\\windows\\system32\\drivers\\noext"},
      {"\\??\\C:\\drv\\x.sys", kDrivers, "c:\\drv\\x.sys"},
      // No ".exe" for drivers, ".exe" for application services without an extension.
      {"C:\\drv\\plain", kDrivers, "c:\\drv\\plain"},
      {"C:\\Prog\\plain", kApps, "c:\\prog\\plain.exe"},
      {"C:\\Prog.d\\plain", kApps, "c:\\prog.d\\plain.exe"},
      {"C:\\Prog\\x.dll", kApps, "c:\\prog\\x.dll"},
      // The shared service host and its arguments.
      {"C:\\WINDOWS\\system32\\svchost -k netsvcs", kApps, "c:\\windows\\system32\\svchost.exe"},
      {"C:\\WINDOWS\\system32\\svchost.exe -k netsvcs", kApps, "c:\\windows\\system32\\svchost.exe"},
      {"%SystemRoot%\\system32\\svchost.exe -k rpcss", kApps, "%systemroot%\\system32\\svchost.exe"},
      // Arguments after the program.
      {"C:\\Prog\\Tool.EXE --run fast", kApps, "c:\\prog\\tool.exe"},
      // A switch goes with the blank before it; a leading '/' leaves nothing.
      {"C:\\Prog\\tool.exe /service", kApps, "c:\\prog\\tool.exe"},
      {"C:\\Prog\\tool /service /x", kApps, "c:\\prog\\tool.exe"},
      {"/service", kApps, ".exe"},
      {"/service", kDrivers, ""},
      // Quoted programs, with and without arguments, and without the closing quote.
      {"\"C:\\Program Files\\App\\Svc.exe\" run", kApps, "c:\\program files\\app\\svc.exe"},
      {"\"C:\\Program Files\\App\\Svc.exe\"", kApps, "c:\\program files\\app\\svc.exe"},
      {"\"C:\\Program Files\\App\\Svc\" -x", kApps, "c:\\program files\\app\\svc"},
      {"\"C:\\Program Files\\App\\Svc.exe", kApps, "c:\\program files\\app\\svc.exe"},
      // A quoted program under the kernel's prefix keeps the prefix out.
      {"\\??\\\"C:\\A B\\x.sys\"", kDrivers, "c:\\a b\\x.sys"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(c.file, BinaryPath::Resolve(c.binaryPath, c.filter, kWindows)) << c.binaryPath << " / " << c.filter;
  }
}

TEST(BinaryPath, ExtensionIsADotAfterTheLastBackslashAndBlank) {
  EXPECT_TRUE(BinaryPath::HasExtension("c:\\a\\b.exe"));
  EXPECT_TRUE(BinaryPath::HasExtension("b.sys"));
  EXPECT_FALSE(BinaryPath::HasExtension("c:\\a.b\\c"));
  EXPECT_FALSE(BinaryPath::HasExtension("c:\\a\\b.exe run"));
  EXPECT_FALSE(BinaryPath::HasExtension(""));
}

TEST(BinaryPath, WindowsDirectoryEndsInABackslash) {
  std::string directory = BinaryPath::WindowsDirectory();
  ASSERT_GT(directory.size(), 3u);
  EXPECT_EQ('\\', directory.back());
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(directory.c_str()));
}

}  // namespace
