#include "app/YAspContext.h"

bool YAspContext::HasObject(const char* name) { return FindObject(name, false) != nullptr; }

int YAspContext::GetCodePage() { return codePage_; }

bool YAspContext::CodePageChosen() { return GetCodePage() != 0; }

void YAspContext::SetCodePage(int codePage) {
  if (codePage_ == 0) codePage_ = codePage;
}

bool YAspContext::WriteLiteral(const char*) { return true; }

bool YAspContext::MapVirtualPath(const char*, std::string*) { return false; }

std::string YAspContext::ReportPath(const std::string& physicalPath) {
  size_t cut = physicalPath.find_last_of("\\/");
  return cut == std::string::npos ? physicalPath : physicalPath.substr(cut + 1);
}
