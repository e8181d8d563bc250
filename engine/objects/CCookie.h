// CCookie: one cookie as scripts see it: a single value or sub-keys (the default member
// Item), its attributes (Path, Domain, Secure, Expires) and an enumerator over the
// sub-key names. Every change marks the cookie for a "Set-Cookie" line. Text that would
// break that line (a CR or LF, a ";" in a name) is refused with E_INVALIDARG.
#pragma once

#include "automation/CCmdTarget.h"
#include "objects/YCookieData.h"

// {99F49FA1-0EB0-4003-B04C-8284E06815BB}
extern const IID IID_CCookie;

class CCookie : public CCmdTarget {
 public:
  CCookie();

  YCookieData& Data() { return data_; }
  const YCookieData& Data() const { return data_; }

  // Script members, in the order of the dispatch interface.
  std::string GetPath();
  void SetPath(const char* text);
  std::string GetDomain();
  void SetDomain(const char* text);
  bool GetSecure();
  void SetSecure(bool secure);
  YDate GetExpires();
  void SetExpires(YDate date);
  bool HasKeys();
  ScopedVariant GetItem(const VARIANT& key);
  void SetItem(const VARIANT& key, const VARIANT& value);
  ComPtr<IUnknown> NewEnum();

 protected:
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  YCookieData data_;
};
