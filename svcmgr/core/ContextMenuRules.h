// The rules of the list's context menu, over the rows of the list: which items are
// removed or grayed for the selection at hand, the dependency popup, the column each
// copy command copies, and the row a chosen dependency selects.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/ServiceList.h"

namespace ContextMenuRules {

// The copy popup's position in the context menu; with more than one row selected the
// popup and the separator after it are removed from there.
inline constexpr int kCopyPopupPosition = 5;
// The dependency popup holds at most this many items (ids 2000 to 2100).
inline constexpr int kMaxDependencies = 101;

struct Situation {
  DWORD filter = 0;      // the service filter (48 or 11)
  bool local = false;    // connected to the local machine
  int fileInfoBase = 0;  // 0 while the file-information columns are hidden
};

struct Plan {
  bool show = false;                            // false: no row selected, no menu
  std::vector<UINT> removeCommands;             // items removed by command id
  bool removeCopyPopup = false;                 // remove the copy popup and its separator
  std::vector<UINT> grayCommands;               // items grayed by command id
  std::vector<std::string> dependencies;        // the dependency names, in order
  std::vector<std::string> dependencyCaptions;  // their captions, ids 2000 on
};

// The context menu for the selected rows. `dependencies` are the names the service of
// the only selected row depends on; they are ignored when more rows are selected.
Plan PlanMenu(const ServiceList& list, const Situation& situation, const std::vector<std::string>& dependencies);

// The column a copy command (32789 to 32795) copies, or -1 for other ids.
int CopyColumn(UINT command, int fileInfoBase);

// The first row whose service name equals `name` without regard to case, or -1.
int RowOfService(const ServiceList& list, const std::string& name);

}  // namespace ContextMenuRules
