#include "TestScriptOwner.h"

const char* TestScriptOwner::GetFileName(int32_t fileIndex) const {
  if (fileIndex < 0 || static_cast<size_t>(fileIndex) >= fileNames.size()) return nullptr;
  return fileNames[static_cast<size_t>(fileIndex)].c_str();
}

HRESULT TestScriptOwner::GetItemInfo(int32_t languageId, LPCOLESTR name, DWORD mask, IUnknown** unknown,
                                     ITypeInfo** typeInfo) {
  if (unknown) *unknown = nullptr;
  if (typeInfo) *typeInfo = nullptr;
  requests.emplace_back(languageId, name ? name : L"");
  auto it = items.find(name ? name : L"");
  if (it == items.end()) return TYPE_E_ELEMENTNOTFOUND;
  if ((mask & SCRIPTINFO_IUNKNOWN) && unknown) {
    *unknown = it->second.Get();
    (*unknown)->AddRef();
  }
  return S_OK;
}
