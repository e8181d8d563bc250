#include "YDictionary.h"

#include "automation/TextConversion.h"
#include "objects/VariantArgs.h"
#include "objects/YDicVal.h"
#include "objects/YDictionaryEnum.h"

const IID IID_YDictionary = {0x0851C7BF, 0x1D2B, 0x45E0, {0xA8, 0x9B, 0xF9, 0x09, 0x6A, 0x5B, 0xE6, 0x38}};

YDictionary::YDictionary() = default;

YDictionary::~YDictionary() {
  RemoveAll();
  if (context_) context_->Cut();
}

std::span<const YInterfaceEntry> YDictionary::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_YDictionary, nullptr}};
  return kEntries;
}

void YDictionary::SetContext(YCodePageSource* context) {
  if (context_) context_->Cut();
  context_ = context ? std::make_shared<YContextLink>(context) : nullptr;
}

YDicVal* YDictionary::Find(std::string_view key) const {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : it->second;
}

std::vector<std::string> YDictionary::Keys() const {
  std::vector<std::string> keys;
  keys.reserve(entries_.size());
  for (const auto& entry : entries_) keys.push_back(entry.first);
  return keys;
}

YDicVal* YDictionary::Add(std::string_view name, YUrlText text) {
  auto it = entries_.find(name);
  if (it == entries_.end()) {
    auto* value = new YDicVal(context_);
    try {
      it = entries_.emplace(std::string(name), value).first;
    } catch (...) {
      value->Release();
      throw;
    }
  }
  it->second->Append(std::move(text));
  return it->second;
}

void YDictionary::Erase(Entries::iterator it) {
  YDicVal* value = it->second;
  entries_.erase(it);
  value->Release();
}

void YDictionary::Remove(const VARIANT& key) {
  switch (V_VT(&key)) {
    case VT_BSTR: {
      auto it = entries_.find(BstrToNarrow(V_BSTR(&key), ScriptCodePage()));
      if (it != entries_.end()) Erase(it);
      return;
    }
    case VT_I2:
    case VT_I4: {
      LONG position = V_VT(&key) == VT_I2 ? V_I2(&key) : V_I4(&key);
      if (position < 0 || static_cast<size_t>(position) >= entries_.size()) return;
      Erase(std::next(entries_.begin(), position));
      return;
    }
    default: return;
  }
}

void YDictionary::RemoveAll() {
  rawText_.clear();
  while (!entries_.empty()) Erase(entries_.begin());
}

LONG YDictionary::Count() { return static_cast<LONG>(entries_.size()); }

ScopedVariant YDictionary::Key(const VARIANT& index) {
  LONG position = VariantToLong(index);
  if (position < 0 || static_cast<size_t>(position) >= entries_.size()) return {};
  return ScopedVariant::String(NarrowToWide(std::next(entries_.begin(), position)->first, ScriptCodePage()));
}

ScopedVariant YDictionary::Item(const VARIANT& key) {
  if (IsOmitted(key)) return ScopedVariant::String(NarrowToWide(rawText_, ScriptCodePage()));
  if (YDicVal* value = Find(VariantToNarrow(key))) return ScopedVariant::Dispatch(value->GetIDispatch(false));
  // An absent key answers a fresh, empty value that the collection does not keep.
  auto* empty = new YDicVal(context_);
  return ScopedVariant::OwnDispatch(empty->GetIDispatch(false));
}

ComPtr<IUnknown> YDictionary::NewEnum() { return YDictionaryEnum::Create(Keys()); }

const YDispatchMap& YDictionary::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&YDictionary::Count>("Count"),
      DispProperty<&YDictionary::Item>("Item", DISPID_VALUE),
      DispProperty<&YDictionary::Key>("Key"),
      DispMethod<&YDictionary::Remove>("Remove"),
      DispMethod<&YDictionary::RemoveAll>("RemoveAll"),
      DispProperty<&YDictionary::NewEnum>("get_NewEnum", DISPID_NEWENUM),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}
