// The rules of the create and connect dialogs that do not need a window: which service
// and start type the checked radio buttons stand for, which start type an application
// service may keep, and the order in which the create dialog's fields are checked.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace DialogRules {

// The first radio button of [first, last] for which `checked` holds, or 0 for none.
int FirstChecked(int first, int last, const std::function<bool(int)>& checked);

// The service type of a checked radio button of the service-type group (1003 to 1006);
// any other id (0: none checked) gives an own-process service.
DWORD ServiceTypeOfRadio(int radio);
// The start type of a checked radio button of the start-type group (1007 to 1011); any
// other id (0: none checked) gives a demand start.
DWORD StartTypeOfRadio(int radio);

// Whether a service-type radio button stands for an application service, for which boot
// and system start are not offered.
bool IsApplicationServiceRadio(int radio);
// The start-type radio button to check when the service type becomes an application
// service: automatic start in place of boot or system start, otherwise the same.
int StartRadioForApplicationService(int checkedStartRadio);

// The first field of the create dialog that stops its OK, in the order they are checked.
enum class CreateProblem { kNone, kNoServiceName, kNoDisplayName, kNoBinaryPath };
CreateProblem FirstCreateProblem(const std::string& name, const std::string& displayName,
                                 const std::string& binaryPath);

}  // namespace DialogRules
