// CDocument: the data side of the document/view pair. It has a title and takes part in
// the command routing after the view.
#pragma once

#include <string>

#include "framework/CCommandTarget.h"

class CView;

class CDocument : public CCommandTarget {
 public:
  const std::string& GetTitle() const { return title_; }
  void SetTitle(const std::string& title) { title_ = title; }

  // A new, empty document.
  virtual bool OnNewDocument() { return true; }
  // A document opened from a file: the file must exist; its name becomes the title.
  virtual bool OnOpenDocument(const char* path);

  void SetView(CView* view) { view_ = view; }
  CView* GetView() const { return view_; }

 private:
  std::string title_;
  CView* view_ = nullptr;
};
