#include "framework/CImageList.h"

CImageList::~CImageList() {
  if (list_) ImageList_Destroy(list_);
}

bool CImageList::Create(int width, int height, UINT flags, int initial, int grow) {
  list_ = ImageList_Create(width, height, flags, initial, grow);
  return list_ != nullptr;
}

int CImageList::Add(HICON icon) { return list_ ? ImageList_AddIcon(list_, icon) : -1; }

HIMAGELIST CImageList::Detach() {
  HIMAGELIST list = list_;
  list_ = nullptr;
  return list;
}
