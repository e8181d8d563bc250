// YDicVal: the value object of one key of a YDictionary, holding every value added
// under that key in order. Narrow values are read in the page code page, asked of the
// page context at the time of the call (the thread's ANSI code page once the context
// has ended); wide values are taken as they are.
#pragma once

#include <vector>

#include "automation/CCmdTarget.h"
#include "objects/YContextLink.h"
#include "objects/YUrlText.h"

// {1B264C5E-317C-4CF1-8622-075C30FFD2D2}
extern const IID IID_YDicVal;

class YDicVal : public CCmdTarget {
 public:
  explicit YDicVal(YContextLinkPtr context);

  void Append(YUrlText text);
  size_t EntryCount() const { return values_.size(); }
  const YUrlText& Entry(size_t index) const { return values_[index]; }

  // The script-visible members.
  LONG Count();
  ScopedVariant Item(LONG index);
  // All entries joined with ", "; VT_EMPTY when there are none. The argument is ignored.
  ScopedVariant Value(const VARIANT& ignored);

 protected:
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  UINT PageCodePage() const;

  YContextLinkPtr context_;
  std::vector<YUrlText> values_;
  bool hasWide_ = false;
};
