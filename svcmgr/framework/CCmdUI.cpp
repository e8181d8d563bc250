#include "framework/CCmdUI.h"

void CCmdUI::Enable(bool enable) { EnableMenuItem(menu_, index_, MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED)); }

void CCmdUI::SetCheck(int check) { CheckMenuItem(menu_, index_, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED)); }
