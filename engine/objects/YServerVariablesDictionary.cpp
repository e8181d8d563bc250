#include "YServerVariablesDictionary.h"

#include "automation/TextConversion.h"
#include "objects/VariantArgs.h"
#include "objects/YDictionaryEnum.h"

const IID IID_YServerVariablesDictionary = {
    0xB347EEFB, 0x1216, 0x4F61, {0x81, 0xD5, 0xC0, 0xD1, 0xF6, 0x83, 0x4A, 0xF8}};

YServerVariablesDictionary::YServerVariablesDictionary() = default;

std::span<const YInterfaceEntry> YServerVariablesDictionary::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_YServerVariablesDictionary, nullptr}};
  return kEntries;
}

const std::string* YServerVariablesDictionary::Find(std::string_view name) const {
  auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : &it->second;
}

void YServerVariablesDictionary::Add(std::string_view name, std::string_view value) {
  if (entries_.find(name) == entries_.end()) entries_.emplace(std::string(name), std::string(value));
}

void YServerVariablesDictionary::RemoveAll() { entries_.clear(); }

LONG YServerVariablesDictionary::Count() { return static_cast<LONG>(entries_.size()); }

ScopedVariant YServerVariablesDictionary::Key(const VARIANT& index) {
  LONG position = VariantToLong(index);
  if (position < 0 || static_cast<size_t>(position) >= entries_.size()) return {};
  return ScopedVariant::String(NarrowToWide(std::next(entries_.begin(), position)->first, ScriptCodePage()));
}

ScopedVariant YServerVariablesDictionary::Item(const VARIANT& name) {
  if (IsOmitted(name)) return {};
  const std::string* value = Find(VariantToNarrow(name));
  if (!value) return {};
  return ScopedVariant::String(NarrowToWide(*value, ScriptCodePage()));
}

ComPtr<IUnknown> YServerVariablesDictionary::NewEnum() {
  std::vector<std::string> names;
  names.reserve(entries_.size());
  for (const auto& entry : entries_) names.push_back(entry.first);
  return YDictionaryEnum::Create(std::move(names));
}

const YDispatchMap& YServerVariablesDictionary::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&YServerVariablesDictionary::Count>("Count"),
      DispProperty<&YServerVariablesDictionary::Item>("Item", DISPID_VALUE),
      DispProperty<&YServerVariablesDictionary::Key>("Key"),
      DispMethod<&YServerVariablesDictionary::RemoveAll>("RemoveAll"),
      DispProperty<&YServerVariablesDictionary::NewEnum>("get_NewEnum", DISPID_NEWENUM),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}
