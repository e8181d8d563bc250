#include "framework/CBitmap.h"

CBitmap::~CBitmap() {
  if (bitmap_) DeleteObject(bitmap_);
}

bool CBitmap::LoadBitmap(UINT id) {
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = ::LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
  return bitmap_ != nullptr;
}
