// YContextLink: the tie between a page context and the value objects made while it
// runs. Value objects may outlive the request that made them (a script can keep one in
// the Application), so they never hold the context itself: they share this link, which
// the collection cuts when the context ends. A cut link converts with the running
// page's code page, or the thread's ANSI code page outside a page run.
#pragma once

#include <windows.h>

#include <memory>

#include "objects/YCodePageSource.h"

class YContextLink {
 public:
  explicit YContextLink(YCodePageSource* source) : source_(source) {}

  // The code page for narrow value text: the page code page (0 is the system ANSI code
  // page) while the context lives, else the thread's ANSI code page.
  UINT CodePage() const;
  void Cut() { source_ = nullptr; }
  bool IsLive() const { return source_ != nullptr; }

 private:
  YCodePageSource* source_;
};

using YContextLinkPtr = std::shared_ptr<YContextLink>;
