#include "core/DialogRules.h"

#include <winsvc.h>

#include "res/Resource.h"

namespace DialogRules {

int FirstChecked(int first, int last, const std::function<bool(int)>& checked) {
  for (int radio = first; radio <= last; ++radio) {
    if (checked(radio)) return radio;
  }
  return 0;
}

DWORD ServiceTypeOfRadio(int radio) {
  switch (radio) {
    case IDC_SHARE_PROCESS: return SERVICE_WIN32_SHARE_PROCESS;
    case IDC_KERNEL_DRIVER: return SERVICE_KERNEL_DRIVER;
    case IDC_FILE_SYSTEM_DRIVER: return SERVICE_FILE_SYSTEM_DRIVER;
    default: return SERVICE_WIN32_OWN_PROCESS;
  }
}

DWORD StartTypeOfRadio(int radio) {
  switch (radio) {
    case IDC_START_AUTO: return SERVICE_AUTO_START;
    case IDC_START_BOOT: return SERVICE_BOOT_START;
    case IDC_START_DISABLED: return SERVICE_DISABLED;
    case IDC_START_SYSTEM: return SERVICE_SYSTEM_START;
    default: return SERVICE_DEMAND_START;
  }
}

bool IsApplicationServiceRadio(int radio) { return radio == IDC_OWN_PROCESS || radio == IDC_SHARE_PROCESS; }

int StartRadioForApplicationService(int checkedStartRadio) {
  return checkedStartRadio == IDC_START_BOOT || checkedStartRadio == IDC_START_SYSTEM ? IDC_START_AUTO
                                                                                      : checkedStartRadio;
}

CreateProblem FirstCreateProblem(const std::string& name, const std::string& displayName,
                                 const std::string& binaryPath) {
  if (name.empty()) return CreateProblem::kNoServiceName;
  if (displayName.empty()) return CreateProblem::kNoDisplayName;
  if (binaryPath.empty()) return CreateProblem::kNoBinaryPath;
  return CreateProblem::kNone;
}

}  // namespace DialogRules
