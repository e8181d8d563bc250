#include "framework/CMenu.h"

CMenu::~CMenu() {
  if (owned_ && menu_) DestroyMenu(menu_);
}

CMenu::CMenu(CMenu&& other) noexcept : menu_(other.menu_), owned_(other.owned_) {
  other.menu_ = nullptr;
  other.owned_ = false;
}

CMenu CMenu::Borrow(HMENU menu) {
  CMenu borrowed;
  borrowed.menu_ = menu;
  return borrowed;
}

bool CMenu::LoadMenu(UINT resourceId) {
  menu_ = ::LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId));
  owned_ = menu_ != nullptr;
  return owned_;
}

bool CMenu::CreatePopupMenu() {
  menu_ = ::CreatePopupMenu();
  owned_ = menu_ != nullptr;
  return owned_;
}

HMENU CMenu::Detach() {
  owned_ = false;
  return menu_;
}

CMenu CMenu::GetSubMenu(int position) const { return Borrow(::GetSubMenu(menu_, position)); }

UINT CMenu::TrackPopupMenu(UINT flags, int x, int y, HWND owner) const {
  return static_cast<UINT>(::TrackPopupMenu(menu_, flags, x, y, 0, owner, nullptr));
}
