// Win32WaitCursor: the system's wait cursor; the cursor in place before the outermost
// Begin comes back with the matching End.
#pragma once

#include <windows.h>

#include "core/WaitCursor.h"

class Win32WaitCursor : public WaitCursor {
 public:
  void Begin() override;
  void End() override;

 private:
  int depth_ = 0;
  HCURSOR previous_ = nullptr;
};
