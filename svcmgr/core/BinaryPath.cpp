#include "core/BinaryPath.h"

#include "core/ServiceCommands.h"
#include "core/TextRules.h"

namespace BinaryPath {

namespace {

constexpr std::string_view kNtPrefix = "\\??\\";
constexpr std::string_view kExeWithBlank = ".exe ";
constexpr std::string_view kSvchostWithBlank = "\\svchost ";
constexpr std::string_view kSystem32 = "system32\\";
constexpr std::string_view kSystemRoot = "\\systemroot\\";
constexpr char kExe[] = ".exe";

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

bool HasExtension(std::string_view path) {
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return false;
  size_t slash = path.rfind('\\');
  size_t blank = path.rfind(' ');
  return (slash == std::string_view::npos || dot > slash) && (blank == std::string_view::npos || dot > blank);
}

std::string Resolve(std::string_view text, DWORD serviceFilter, std::string_view windowsDirectory) {
  if (text.empty()) return {};
  std::string path(text);
  // 1. A switch and everything after it goes, with the blank in front of it.
  if (size_t slash = path.find('/'); slash != std::string::npos) path.resize(slash == 0 ? 0 : slash - 1);
  // 2. The kernel's object-manager prefix.
  if (StartsWith(path, kNtPrefix)) path.erase(0, kNtPrefix.size());
  // 3. File names do not depend on case here; the rules below look for lower case.
  path = LowerDbcs(path);
  // 4, 5. Arguments after the program.
  if (size_t exe = path.find(kExeWithBlank); exe != std::string::npos) path.resize(exe + kExeWithBlank.size() - 1);
  if (size_t host = path.find(kSvchostWithBlank); host != std::string::npos) {
    path.resize(host + kSvchostWithBlank.size() - 1);
  }
  // 6, 7. Paths relative to the Windows directory.
  if (StartsWith(path, kSystem32)) {
    path.insert(0, windowsDirectory);
  } else if (StartsWith(path, kSystemRoot)) {
    path.replace(0, kSystemRoot.size(), windowsDirectory);
  }
  // 8. Application services are programs.
  if (serviceFilter == ServiceCommands::kApplicationServices && !HasExtension(path)) path += kExe;
  // 9. A quoted program name, whatever follows it.
  if (!path.empty() && path[0] == '"') {
    size_t close = path.find('"', 1);
    path = path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return path;
}

std::string WindowsDirectory() {
  char directory[MAX_PATH + 1] = {};
  UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
  std::string text(directory, length < MAX_PATH ? length : 0);
  text += '\\';
  return text;
}

}  // namespace BinaryPath
