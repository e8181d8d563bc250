// YServerVariablesDictionary: Request.ServerVariables. Filled once by the request
// intake; the first value stored under a name stays. Lookups never go back to the
// server: a variable that was not loaded reads as Empty.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "automation/CCmdTarget.h"
#include "objects/AsciiNoCaseLess.h"

// {B347EEFB-1216-4F61-81D5-C0D1F6834AF8}
extern const IID IID_YServerVariablesDictionary;

class YServerVariablesDictionary : public CCmdTarget {
 public:
  YServerVariablesDictionary();

  // The value of the variable (ASCII case ignored), or null.
  const std::string* Find(std::string_view name) const;

  // Engine side: stores copies of both unless the name is present.
  virtual void Add(std::string_view name, std::string_view value);
  // Script side, in the order of the dispatch interface.
  virtual void RemoveAll();
  virtual LONG Count();
  virtual ScopedVariant Key(const VARIANT& index);
  virtual ScopedVariant Item(const VARIANT& name);
  virtual ComPtr<IUnknown> NewEnum();

 protected:
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  std::map<std::string, std::string, AsciiNoCaseLess> entries_;
};
