// CBitmap: a bitmap of the program's resources, deleted with the object.
#pragma once

#include <windows.h>

class CBitmap {
 public:
  CBitmap() = default;
  ~CBitmap();
  CBitmap(const CBitmap&) = delete;
  CBitmap& operator=(const CBitmap&) = delete;

  bool LoadBitmap(UINT id);
  HBITMAP GetSafeHandle() const { return bitmap_; }

 private:
  HBITMAP bitmap_ = nullptr;
};
