// CImageList: an image list, destroyed with the object unless handed over to a control
// that destroys it itself.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CImageList {
 public:
  CImageList() = default;
  ~CImageList();
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  bool Create(int width, int height, UINT flags, int initial, int grow);
  int Add(HICON icon);
  HIMAGELIST GetSafeHandle() const { return list_; }
  HIMAGELIST Detach();

 private:
  HIMAGELIST list_ = nullptr;
};
