// CMenu: a menu handle, owned (loaded or created here, destroyed with the object) or
// borrowed (a popup of another menu).
#pragma once

#include <windows.h>

class CMenu {
 public:
  CMenu() = default;
  ~CMenu();
  CMenu(const CMenu&) = delete;
  CMenu& operator=(const CMenu&) = delete;
  CMenu(CMenu&& other) noexcept;

  static CMenu Borrow(HMENU menu);

  bool LoadMenu(UINT resourceId);
  bool CreatePopupMenu();
  HMENU GetSafeHmenu() const { return menu_; }
  // Hands the handle over (to a menu it is inserted into, for example).
  HMENU Detach();

  CMenu GetSubMenu(int position) const;
  int GetMenuItemCount() const { return ::GetMenuItemCount(menu_); }
  bool DeleteMenu(UINT item, UINT flags) { return ::DeleteMenu(menu_, item, flags) != 0; }
  bool EnableMenuItem(UINT item, UINT flags) { return ::EnableMenuItem(menu_, item, flags) != -1; }
  bool AppendMenu(UINT flags, UINT_PTR id, const char* caption) {
    return ::AppendMenuA(menu_, flags, id, caption) != 0;
  }
  bool InsertMenu(UINT item, UINT flags, UINT_PTR id, const char* caption) {
    return ::InsertMenuA(menu_, item, flags, id, caption) != 0;
  }
  // Shows the popup and, with TPM_RETURNCMD, answers the chosen id (0 when dismissed).
  UINT TrackPopupMenu(UINT flags, int x, int y, HWND owner) const;

 private:
  HMENU menu_ = nullptr;
  bool owned_ = false;
};
