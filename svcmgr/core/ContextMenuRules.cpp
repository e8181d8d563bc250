#include "core/ContextMenuRules.h"

#include <winsvc.h>

#include "core/ServiceRow.h"
#include "core/TextRules.h"
#include "res/Resource.h"

namespace ContextMenuRules {

namespace {

constexpr UINT kCopyCommands[] = {ID_COPY_NAME,    ID_COPY_DISPLAY_NAME,     ID_COPY_DESCRIPTION, ID_COPY_PATH,
                                  ID_COPY_COMPANY, ID_COPY_FILE_DESCRIPTION, ID_COPY_FILE_VERSION};

bool IsFileInfoCopy(UINT command) { return command >= ID_COPY_COMPANY && command <= ID_COPY_FILE_VERSION; }

}  // namespace

Plan PlanMenu(const ServiceList& list, const Situation& situation, const std::vector<std::string>& dependencies) {
  Plan plan;
  const int first = list.NextSelected(-1);
  if (first < 0) return plan;
  plan.show = true;
  const bool single = list.NextSelected(first) < 0;

  // Boot and system start apply to drivers only.
  if (situation.filter == SERVICE_WIN32) {
    plan.removeCommands.push_back(ID_START_BOOT);
    plan.removeCommands.push_back(ID_START_SYSTEM);
  }
  if (!situation.local) {
    plan.grayCommands.push_back(ID_SHOW_FILE);
    plan.grayCommands.push_back(ID_SHOW_REGISTRY);
  }
  if (single) {
    for (UINT command : kCopyCommands) {
      if (IsFileInfoCopy(command) && situation.fileInfoBase == 0) {
        plan.removeCommands.push_back(command);
      } else if (list.GetCell(first, CopyColumn(command, situation.fileInfoBase)).empty()) {
        plan.removeCommands.push_back(command);
      }
    }
  } else {
    plan.removeCopyPopup = true;
  }

  bool anyPath = false;
  for (int row = first; row >= 0 && !anyPath; row = list.NextSelected(row)) {
    anyPath = !list.GetCell(row, ServiceRow::kBinaryPath).empty();
  }
  if (!anyPath && situation.local) plan.grayCommands.push_back(ID_SHOW_FILE);

  if (single) {
    for (const std::string& name : dependencies) {
      if (static_cast<int>(plan.dependencies.size()) == kMaxDependencies) break;
      int row = RowOfService(list, name);
      plan.dependencies.push_back(name);
      plan.dependencyCaptions.push_back(row >= 0 ? list.GetCell(row, ServiceRow::kDisplayName) : name);
    }
  }
  return plan;
}

int CopyColumn(UINT command, int fileInfoBase) {
  switch (command) {
    case ID_COPY_NAME: return ServiceRow::kName;
    case ID_COPY_DISPLAY_NAME: return ServiceRow::kDisplayName;
    case ID_COPY_DESCRIPTION: return ServiceRow::kDescription;
    case ID_COPY_PATH: return ServiceRow::kBinaryPath;
    case ID_COPY_COMPANY: return fileInfoBase;
    case ID_COPY_FILE_DESCRIPTION: return fileInfoBase + 1;
    case ID_COPY_FILE_VERSION: return fileInfoBase + 2;
    default: return -1;
  }
}

int RowOfService(const ServiceList& list, const std::string& name) {
  for (int row = 0, rows = list.RowCount(); row < rows; ++row) {
    if (EqualsNoCaseDbcs(list.GetCell(row, ServiceRow::kName), name)) return row;
  }
  return -1;
}

}  // namespace ContextMenuRules
