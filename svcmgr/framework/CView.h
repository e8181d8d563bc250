// CView: the window that shows a document inside the frame. It is the first target of
// the frame's commands, before its document.
#pragma once

#include "framework/CWnd.h"

class CDocument;

class CView : public CWnd {
 public:
  // The frame's child id of its one view.
  static constexpr UINT kPaneId = 0xE900;

  CDocument* GetDocument() const { return document_; }
  void SetDocument(CDocument* document) { document_ = document; }

  // Creates the view as a child of the frame, filling its client area.
  bool Create(CWnd* parent);
  // The view's first update, once the frame and the document are complete.
  virtual void OnInitialUpdate() {}

  // Routes a command to the view, then to its document.
  bool OnCmdMsg(UINT id, CommandCode code, CCmdUI* ui) override;

 protected:
  // Adjusts the class and styles of the window before it is created.
  virtual void PreCreateWindow(CREATESTRUCTA& cs);

 private:
  CDocument* document_ = nullptr;
};
