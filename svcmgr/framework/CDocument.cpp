#include "framework/CDocument.h"

#include <windows.h>

bool CDocument::OnOpenDocument(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  std::string name(path);
  size_t slash = name.find_last_of("\\/");
  SetTitle(slash == std::string::npos ? name : name.substr(slash + 1));
  return true;
}
