// The menu probe: a hook library the window tests load into tamber.exe (as an
// accessibility tool would) to read a menu at the moment it opens, after the program
// has updated its items. Each WM_INITMENUPOPUP the program handles is written, with its
// submenus, into a shared block named kMenuProbeBlock, and the sequence number raised.
#pragma once

#include <windows.h>

inline constexpr char kMenuProbeBlock[] = "TamberTestMenuProbe";
inline constexpr char kMenuProbeHookName[] = "MenuProbeHook";

struct MenuProbeItem {
  static constexpr UINT kSeparator = 0;
  static constexpr UINT kPopup = 0xFFFFFFFF;
  UINT id;     // the command id, kSeparator or kPopup
  UINT state;  // MFS_CHECKED, MFS_GRAYED, ...
  int depth;   // 0 for the opened popup's own items, 1 for those of its submenus, ...
  char text[96];
};

struct MenuProbeBlock {
  static constexpr int kMaxItems = 128;
  volatile LONG sequence;
  int count;
  MenuProbeItem items[kMaxItems];
};
