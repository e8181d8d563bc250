// Narrow/wide text conversion in a given code page. Code page 0 is the system ANSI
// code page (CP_ACP); CP_THREAD_ACP, 936 and 65001 are used as they are.
// The conversions throw std::bad_alloc when memory runs out and otherwise never fail:
// bytes that do not decode become the code page's default character.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>
#include <string_view>

std::wstring NarrowToWide(std::string_view text, UINT codePage);
std::string WideToNarrow(std::wstring_view text, UINT codePage);

// The code page of script-visible text on this thread: the running page's while a page
// runs (see PageCodePageScope), else the thread's ANSI code page. Every narrow
// conversion of a script's string arguments and results goes through it.
UINT ScriptCodePage();

// Makes the page's code page the script text code page of this thread while it lives.
// The page's code page is asked at each conversion, so a directive or a CodePage set
// while the page runs takes effect at once; an answer of 0 stands for the system ANSI
// code page. Scopes nest (a page executing another) and put the outer one back.
class PageCodePageScope {
 public:
  explicit PageCodePageScope(std::function<int()> pageCodePage);
  ~PageCodePageScope();
  PageCodePageScope(const PageCodePageScope&) = delete;
  PageCodePageScope& operator=(const PageCodePageScope&) = delete;

 private:
  friend UINT ScriptCodePage();
  std::function<int()> pageCodePage_;
  PageCodePageScope* outer_;
};

// A new BSTR holding narrow text decoded from codePage; the caller owns it.
BSTR NarrowToBstr(std::string_view text, UINT codePage);
// The text of a BSTR (null is the empty string) in codePage.
std::string BstrToNarrow(BSTR text, UINT codePage);

// The VariantChangeType flags wherever a script value becomes text: booleans as "True"
// and "False" (never "-1", never the local names Wine answers under other languages);
// every other type as the plain conversion gives it.
inline constexpr USHORT kScriptTextFlags = VARIANT_ALPHABOOL;

// Maps ASCII upper case to lower case, byte by byte; other bytes stay as they are.
inline unsigned char AsciiLower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }
inline wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? c + (L'a' - L'A') : c; }

// Byte-wise comparison after mapping ASCII upper case to lower case: <0, 0 or >0.
int CompareAsciiNoCase(std::string_view a, std::string_view b);
bool EqualsAsciiNoCase(std::string_view a, std::string_view b);
// A wide name against an ASCII name, ignoring ASCII case.
bool EqualsAsciiNoCase(std::wstring_view a, std::string_view b);
