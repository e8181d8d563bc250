#include "YDicVal.h"

#include "automation/TextConversion.h"

const IID IID_YDicVal = {0x1B264C5E, 0x317C, 0x4CF1, {0x86, 0x22, 0x07, 0x5C, 0x30, 0xFF, 0xD2, 0xD2}};

YDicVal::YDicVal(YContextLinkPtr context) : context_(std::move(context)) {}

std::span<const YInterfaceEntry> YDicVal::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_YDicVal, nullptr}};
  return kEntries;
}

void YDicVal::Append(YUrlText text) {
  if (IsWide(text)) hasWide_ = true;
  values_.push_back(std::move(text));
}

UINT YDicVal::PageCodePage() const { return context_ ? context_->CodePage() : ScriptCodePage(); }

LONG YDicVal::Count() { return static_cast<LONG>(values_.size()); }

ScopedVariant YDicVal::Item(LONG index) {
  if (index < 0 || static_cast<size_t>(index) >= values_.size()) return ScopedVariant::String({});
  const YUrlText& entry = values_[static_cast<size_t>(index)];
  if (IsWide(entry)) return ScopedVariant::String(std::get<std::wstring>(entry));
  return ScopedVariant::String(NarrowToWide(std::get<std::string>(entry), PageCodePage()));
}

ScopedVariant YDicVal::Value(const VARIANT&) {
  if (values_.empty()) return {};
  if (!hasWide_) {
    std::string joined;
    for (size_t i = 0; i < values_.size(); ++i) {
      if (i > 0) joined += ", ";
      joined += std::get<std::string>(values_[i]);
    }
    return ScopedVariant::String(NarrowToWide(joined, PageCodePage()));
  }
  std::wstring joined;
  for (size_t i = 0; i < values_.size(); ++i) {
    if (i > 0) joined += L", ";
    if (IsWide(values_[i])) {
      joined += std::get<std::wstring>(values_[i]);
    } else {
      joined += NarrowToWide(std::get<std::string>(values_[i]), CP_ACP);
    }
  }
  return ScopedVariant::String(joined);
}

const YDispatchMap& YDicVal::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&YDicVal::Count>("Count"),
      DispProperty<&YDicVal::Item>("Item"),
      DispProperty<&YDicVal::Value>("Value", DISPID_VALUE),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}
