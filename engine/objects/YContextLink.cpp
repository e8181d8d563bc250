#include "YContextLink.h"

UINT YContextLink::CodePage() const {
  if (!source_) return CP_THREAD_ACP;
  int codePage = source_->GetCodePage();
  return codePage > 0 ? static_cast<UINT>(codePage) : CP_ACP;
}
