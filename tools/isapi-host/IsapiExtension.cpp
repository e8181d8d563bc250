#include "IsapiExtension.h"

bool IsapiExtension::Load(const std::string& path, std::string* error) {
  module_ = LoadLibraryA(path.c_str());
  if (!module_) {
    *error = "cannot load extension " + path + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  auto version = reinterpret_cast<PFN_GETEXTENSIONVERSION>(
      reinterpret_cast<void*>(GetProcAddress(module_, "GetExtensionVersion")));
  auto proc =
      reinterpret_cast<PFN_HTTPEXTENSIONPROC>(reinterpret_cast<void*>(GetProcAddress(module_, "HttpExtensionProc")));
  if (!version || !proc) {
    *error = "extension " + path + " lacks GetExtensionVersion or HttpExtensionProc";
    return false;
  }
  HSE_VERSION_INFO info{};
  info.dwExtensionVersion = MAKELONG(HSE_VERSION_MINOR, HSE_VERSION_MAJOR);
  if (!version(&info)) {
    *error = "extension " + path + " refused to load (GetExtensionVersion answered FALSE)";
    return false;
  }
  proc_ = proc;
  return true;
}
