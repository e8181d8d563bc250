#include "ui/CTamberDoc.h"

#include "core/TamberText.h"
#include "framework/CCmdUI.h"
#include "res/Resource.h"

BEGIN_MESSAGE_MAP(CTamberDoc, CDocument)
ON_UPDATE_COMMAND_UI(ID_VIEW_FILE_INFO, OnUpdateFileInfo)
END_MESSAGE_MAP()

bool CTamberDoc::OnNewDocument() {
  SetTitle(tamber_text::kDocumentTitle);
  return true;
}

bool CTamberDoc::OnOpenDocument(const char* path) {
  // There is nothing to read: the file only has to exist, and the title stays the one
  // a second start looks for.
  if (!CDocument::OnOpenDocument(path)) return false;
  SetTitle(tamber_text::kDocumentTitle);
  return true;
}

void CTamberDoc::OnUpdateFileInfo(CCmdUI* ui) { ui->SetCheck(m_fileInfoBase != 0); }
