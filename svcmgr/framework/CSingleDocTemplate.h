// CSingleDocTemplate: makes the one document, frame and view of a single-document
// program from the resource id they share.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "framework/CDocument.h"
#include "framework/CFrameWnd.h"
#include "framework/CView.h"

class CSingleDocTemplate {
 public:
  using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
  using FrameFactory = std::function<std::unique_ptr<CFrameWnd>()>;
  using ViewFactory = std::function<std::unique_ptr<CView>()>;

  CSingleDocTemplate(UINT resourceId, DocumentFactory document, FrameFactory frame, ViewFactory view);
  ~CSingleDocTemplate();

  template <class Document, class Frame, class View>
  static std::unique_ptr<CSingleDocTemplate> Make(UINT resourceId) {
    return std::make_unique<CSingleDocTemplate>(
        resourceId, [] { return std::make_unique<Document>(); }, [] { return std::make_unique<Frame>(); },
        [] { return std::make_unique<View>(); });
  }

  // Makes the document (new when path is null, else opened from the file), the frame
  // with its view, sets the application's main window and gives the view its first
  // update. Answers the document, or null when any step failed. Once only.
  CDocument* OpenDocumentFile(const char* path);

 private:
  UINT resourceId_;
  DocumentFactory makeDocument_;
  FrameFactory makeFrame_;
  ViewFactory makeView_;
  std::unique_ptr<CDocument> document_;
  std::unique_ptr<CView> view_;
  std::unique_ptr<CFrameWnd> frame_;
};
