#include "YContextLink.h"

#include "automation/TextConversion.h"

UINT YContextLink::CodePage() const {
  if (!source_) return ScriptCodePage();
  int codePage = source_->GetCodePage();
  return codePage > 0 ? static_cast<UINT>(codePage) : CP_ACP;
}
