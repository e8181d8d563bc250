// IsapiExtension: an ISAPI extension DLL, loaded once; GetExtensionVersion is called at
// load. The DLL is never unloaded: an extension may keep threads of its own.
#pragma once

#include <windows.h>
#include <httpext.h>

#include <string>

class IsapiExtension {
 public:
  bool Load(const std::string& path, std::string* error);
  bool loaded() const { return proc_ != nullptr; }
  DWORD Call(EXTENSION_CONTROL_BLOCK* ecb) const { return proc_(ecb); }

 private:
  HMODULE module_ = nullptr;
  PFN_HTTPEXTENSIONPROC proc_ = nullptr;
};
