// CTamberDoc: the program's one document. It loads and saves nothing; it holds the
// file-information base: the index of the first file-information column while those
// columns are shown, 0 while they are hidden. Any non-zero value when the view is made
// asks the view to show them.
#pragma once

#include "framework/CDocument.h"

class CCmdUI;

class CTamberDoc : public CDocument {
 public:
  static constexpr int kShowFileInfoAtStart = 0x7FFFFFFF;

  bool OnNewDocument() override;
  bool OnOpenDocument(const char* path) override;

  int m_fileInfoBase = kShowFileInfoAtStart;

 protected:
  void OnUpdateFileInfo(CCmdUI* ui);

  DECLARE_MESSAGE_MAP()
};
