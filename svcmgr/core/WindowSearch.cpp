#include "core/WindowSearch.h"

#include <cstring>

HWND FindDescendantOfClass(HWND window, const char* className) {
  struct Search {
    const char* className;
    HWND found;
  } search{className, nullptr};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        if (strcmp(name, s->className) != 0) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}
