// The menu probe library (see MenuProbe.h).
#include "MenuProbe.h"

#include <cstring>

namespace {

MenuProbeBlock* Block() {
  static MenuProbeBlock* block = [] {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, kMenuProbeBlock);
    return mapping
               ? static_cast<MenuProbeBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(MenuProbeBlock)))
               : nullptr;
  }();
  return block;
}

void Dump(MenuProbeBlock& block, HMENU menu, int depth) {
  for (int index = 0, count = GetMenuItemCount(menu); index < count; ++index) {
    if (block.count == MenuProbeBlock::kMaxItems) return;
    MenuProbeItem& item = block.items[block.count++];
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = item.text;
    info.cch = sizeof item.text - 1;
    item.text[0] = '\0';
    GetMenuItemInfoA(menu, static_cast<UINT>(index), TRUE, &info);
    item.state = info.fState;
    item.depth = depth;
    item.id = info.hSubMenu                  ? MenuProbeItem::kPopup
              : (info.fType & MFT_SEPARATOR) ? MenuProbeItem::kSeparator
                                             : info.wID;
    if (info.hSubMenu) Dump(block, info.hSubMenu, depth + 1);
  }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK MenuProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    auto* message = reinterpret_cast<CWPRETSTRUCT*>(lParam);
    if (message->message == WM_INITMENUPOPUP && !HIWORD(message->lParam)) {
      if (MenuProbeBlock* block = Block()) {
        block->count = 0;
        Dump(*block, reinterpret_cast<HMENU>(message->wParam), 0);
        InterlockedIncrement(&block->sequence);
      }
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
