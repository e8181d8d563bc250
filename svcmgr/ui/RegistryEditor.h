// RegistryEditor: opens the system's registry editor on a service's key by driving the
// editor's tree view from outside: the editor is started, its tree found among all the
// descendants of its main window, and the tree walked from the root item's children
// along the key path, each item's text read through a block of memory in the editor's
// process. Key names are compared without regard to case (the editor shows "System"
// where other systems show "SYSTEM"; registry keys never depend on case).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace RegistryEditor {

// The steps from the root item's children to a service's key.
std::vector<std::string> ServiceKeyPath(const std::string& serviceName);

// Starts the editor and selects the service's key. Failures before the walk are shown
// in a message box owned by `owner`; a step not found beeps and leaves the tree at the
// last step found.
void ShowServiceKey(HWND owner, const std::string& serviceName);

}  // namespace RegistryEditor
