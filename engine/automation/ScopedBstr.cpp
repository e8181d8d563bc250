#include "ScopedBstr.h"

#include <new>

ScopedBstr::ScopedBstr(std::wstring_view text) : bstr_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
  if (!bstr_) throw std::bad_alloc();
}
