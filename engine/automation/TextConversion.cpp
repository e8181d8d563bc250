#include "TextConversion.h"

#include <algorithm>
#include <new>

#include "ScopedBstr.h"

namespace {

thread_local PageCodePageScope* currentPageScope = nullptr;

}  // namespace

PageCodePageScope::PageCodePageScope(std::function<int()> pageCodePage)
    : pageCodePage_(std::move(pageCodePage)), outer_(currentPageScope) {
  currentPageScope = this;
}

PageCodePageScope::~PageCodePageScope() { currentPageScope = outer_; }

UINT ScriptCodePage() {
  if (!currentPageScope) return CP_THREAD_ACP;
  const int codePage = currentPageScope->pageCodePage_();
  return codePage > 0 ? static_cast<UINT>(codePage) : CP_ACP;
}

std::wstring NarrowToWide(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring result(static_cast<size_t>(length), L'\0');
  if (length > 0) {
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), length);
  }
  return result;
}

std::string WideToNarrow(std::wstring_view text, UINT codePage) {
  if (text.empty()) return {};
  int length =
      WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(length), '\0');
  if (length > 0) {
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr,
                        nullptr);
  }
  return result;
}

BSTR NarrowToBstr(std::string_view text, UINT codePage) {
  std::wstring wide = NarrowToWide(text, codePage);
  return ScopedBstr(wide).Release();
}

std::string BstrToNarrow(BSTR text, UINT codePage) {
  return WideToNarrow(std::wstring_view(text ? text : L"", SysStringLen(text)), codePage);
}

int CompareAsciiNoCase(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = AsciiLower(static_cast<unsigned char>(a[i]));
    unsigned char cb = AsciiLower(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareAsciiNoCase(a, b) == 0;
}

bool EqualsAsciiNoCase(std::wstring_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != static_cast<wchar_t>(AsciiLower(static_cast<unsigned char>(b[i])))) return false;
  }
  return true;
}
