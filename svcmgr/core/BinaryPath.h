// Turning the binary path of a service (column 7, as the service manager stores it)
// into the path of its file: switches and arguments cut off, the kernel's path prefixes
// mapped onto the Windows directory, ".exe" supplied for application services.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace BinaryPath {

// The file path of a binary path for the given service filter. `windowsDirectory` is
// the Windows directory with a trailing '\'. Environment variables are not expanded; an
// empty text stays empty.
std::string Resolve(std::string_view text, DWORD serviceFilter, std::string_view windowsDirectory);

// Whether a path has an extension: a '.' after its last '\' and after its last blank.
bool HasExtension(std::string_view path);

// The Windows directory of this machine with a trailing '\'.
std::string WindowsDirectory();

}  // namespace BinaryPath
