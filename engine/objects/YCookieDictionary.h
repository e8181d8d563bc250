// YCookieDictionary: Request.Cookies and Response.Cookies, one collection. The request
// intake fills it from the Cookie header and marks every cookie unchanged; scripts read
// and change cookies; when the response head is built every changed cookie goes out as
// one "Set-Cookie" line. Cookie names are ordered and matched by AsciiNoCaseLess.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "automation/CCmdTarget.h"
#include "objects/AsciiNoCaseLess.h"

class CCookie;
class YServiceProvider;
class YLeadByteTable;
struct YCookieData;

// {DE11CE49-4788-4A9C-802F-ECB12CE0DE86}
extern const IID IID_YCookieDictionary;

class YCookieDictionary : public CCmdTarget {
 public:
  YCookieDictionary();

  // Engine side.
  // Fills the collection from a request Cookie header; the value of the cookie named
  // exactly "SESSIONID" goes to *sessionId.
  void ParseCookieHeader(std::string_view text, std::string* sessionId);
  void ParseCookieHeader(std::string_view text, std::string* sessionId, const YLeadByteTable& leadBytes);
  // The cookie of that name, or null; no reference is added.
  CCookie* FindCookie(std::string_view name) const;
  // The names in collection order.
  std::vector<std::string> Names() const;
  // Finds or creates the cookie name and copies the template into it.
  CCookie* MergeCookie(std::string_view name, const YCookieData& from);
  void ClearChanged();
  // Releases every cookie; the raw text stays.
  void ClearCookies();
  // One "Set-Cookie" header per changed cookie, in name order.
  void WriteSetCookieHeaders(YServiceProvider* host);
  const std::string& RawText() const { return rawText_; }

  // Script members, in the order of the dispatch interface.
  LONG Count();
  ScopedVariant GetItem(const VARIANT& name);
  void SetItem(const VARIANT& name, const VARIANT& value);
  ScopedVariant Key(const VARIANT& index);
  ComPtr<IUnknown> NewEnum();

 protected:
  ~YCookieDictionary() override;
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  // The cookie of a name a script gave, created (changed, empty) when absent.
  CCookie* FindOrCreate(const std::string& name);

  std::map<std::string, CCookie*, AsciiNoCaseLess> entries_;
  std::string rawText_;
};
