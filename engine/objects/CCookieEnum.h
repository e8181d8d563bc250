// CCookieEnum: enumerates the sub-key names of one cookie, from a position in the
// cookie's live sub-key map. When the sub-keys change during a walk the walk may end
// early or repeat names, but it never fails. It keeps its cookie alive.
#pragma once

#include "automation/CCmdTarget.h"
#include "automation/ComPtr.h"
#include "objects/YHashedStringMap.h"

class CCookie;

class CCookieEnum : public CCmdTarget {
 public:
  CCookieEnum(CCookie* cookie, YHashedStringMap::Position position);

  // A new enumerator at the cookie's first sub-key, answered as its IEnumVARIANT.
  static ComPtr<IUnknown> Create(CCookie* cookie);

 protected:
  ~CCookieEnum() override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  class XEnumVARIANT : public YNestedInterface<IEnumVARIANT> {
   public:
    using YNestedInterface::YNestedInterface;
    STDMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumVARIANT** out) override;

   private:
    CCookieEnum* self() const { return static_cast<CCookieEnum*>(owner()); }
  };

  CCookie* cookie_;  // one reference held
  YHashedStringMap::Position position_;
  XEnumVARIANT enum_{this};
};
