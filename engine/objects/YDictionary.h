// YDictionary: the string-keyed collection behind Request.QueryString, Request.Form and
// Request.ClientCertificate. Keys are narrow text ordered and matched by AsciiNoCaseLess
// (a key keeps the spelling it was first added with); each maps to a YDicVal holding
// every value added under it.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "automation/CCmdTarget.h"
#include "objects/AsciiNoCaseLess.h"
#include "objects/YContextLink.h"
#include "objects/YUrlText.h"

class YCodePageSource;
class YDicVal;

// {0851C7BF-1D2B-45E0-A89B-F9096A5BE638}
extern const IID IID_YDictionary;

class YDictionary : public CCmdTarget {
 public:
  YDictionary();

  // The page context whose code page the values read narrow text in; null when it
  // ends. Value objects made under an earlier context fall back to the thread's ANSI
  // code page from then on.
  void SetContext(YCodePageSource* context);

  // The unparsed source of the collection, answered by Item without an argument.
  void SetRawText(std::string_view text) { rawText_ = text; }
  const std::string& RawText() const { return rawText_; }

  // The value of the key (ASCII case ignored), or null; no reference is added.
  YDicVal* Find(std::string_view key) const;
  // The keys in collection order.
  std::vector<std::string> Keys() const;

  // Engine side: appends text under name and answers the key's value object (no
  // reference added).
  virtual YDicVal* Add(std::string_view name, YUrlText text);
  // Script side, in the order of the dispatch interface.
  virtual void Remove(const VARIANT& key);
  virtual void RemoveAll();
  virtual LONG Count();
  virtual ScopedVariant Key(const VARIANT& index);
  virtual ScopedVariant Item(const VARIANT& key);
  virtual ComPtr<IUnknown> NewEnum();

 protected:
  ~YDictionary() override;
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  using Entries = std::map<std::string, YDicVal*, AsciiNoCaseLess>;
  void Erase(Entries::iterator it);

  std::string rawText_;
  YContextLinkPtr context_;
  Entries entries_;
};
