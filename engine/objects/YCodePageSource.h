// YCodePageSource: where a collection's value objects ask for the page code page when
// they turn narrow request text into script strings. The page context answers it.
#pragma once

class YCodePageSource {
 public:
  // The page code page; 0 means the system ANSI code page.
  virtual int GetCodePage() = 0;

 protected:
  ~YCodePageSource() = default;
};
