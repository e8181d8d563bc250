#include "framework/CSingleDocTemplate.h"

#include "framework/CWinApp.h"

CSingleDocTemplate::CSingleDocTemplate(UINT resourceId, DocumentFactory document, FrameFactory frame, ViewFactory view)
    : resourceId_(resourceId),
      makeDocument_(std::move(document)),
      makeFrame_(std::move(frame)),
      makeView_(std::move(view)) {}

CSingleDocTemplate::~CSingleDocTemplate() {
  // The frame's window goes first, with the view's; then the objects.
  frame_.reset();
  view_.reset();
  document_.reset();
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const char* path) {
  if (document_) return nullptr;
  document_ = makeDocument_();
  view_ = makeView_();
  frame_ = makeFrame_();
  view_->SetDocument(document_.get());
  document_->SetView(view_.get());

  bool ready = path ? document_->OnOpenDocument(path) : document_->OnNewDocument();
  if (!ready || !frame_->LoadFrame(resourceId_, document_.get(), view_.get())) {
    frame_.reset();
    view_.reset();
    document_.reset();
    return nullptr;
  }
  if (CWinApp* app = CWinApp::Get()) app->m_pMainWnd = frame_.get();
  frame_->UpdateFrameTitle();
  view_->OnInitialUpdate();
  return document_.get();
}
