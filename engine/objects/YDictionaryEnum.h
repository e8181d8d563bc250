// YDictionaryEnum: the key enumerator of the request collections. It walks a snapshot
// of the keys taken when it was made and holds no reference to the collection, so later
// changes to the collection do not show in it.
#pragma once

#include <string>
#include <vector>

#include "automation/CCmdTarget.h"
#include "automation/ComPtr.h"

class YDictionaryEnum : public CCmdTarget {
 public:
  explicit YDictionaryEnum(std::vector<std::string> keys);

  // A new enumerator over keys, answered as its IEnumVARIANT (the initial reference).
  static ComPtr<IUnknown> Create(std::vector<std::string> keys);

  virtual HRESULT Fetch(ULONG count, VARIANT* out, ULONG* fetched);
  virtual HRESULT SkipKeys(ULONG count);
  virtual HRESULT ResetCursor();

 protected:
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
    YDictionaryEnum* self() const { return static_cast<YDictionaryEnum*>(owner()); }
  };

  std::vector<std::string> keys_;
  size_t cursor_ = 0;
  XEnumVARIANT enum_{this};
};
