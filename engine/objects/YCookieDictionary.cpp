#include "YCookieDictionary.h"

#include "automation/TextConversion.h"
#include "automation/YAutomationError.h"
#include "host/YServiceProvider.h"
#include "objects/CCookie.h"
#include "objects/CookieText.h"
#include "objects/VariantArgs.h"
#include "objects/YDictionaryEnum.h"
#include "objects/YLeadByteTable.h"

const IID IID_YCookieDictionary = {0xDE11CE49, 0x4788, 0x4A9C, {0x80, 0x2F, 0xEC, 0xB1, 0x2C, 0xE0, 0xDE, 0x86}};

YCookieDictionary::YCookieDictionary() = default;

YCookieDictionary::~YCookieDictionary() { ClearCookies(); }

std::span<const YInterfaceEntry> YCookieDictionary::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_YCookieDictionary, nullptr}};
  return kEntries;
}

void YCookieDictionary::ParseCookieHeader(std::string_view text, std::string* sessionId) {
  ParseCookieHeader(text, sessionId, YLeadByteTable::System());
}

void YCookieDictionary::ParseCookieHeader(std::string_view text, std::string* sessionId,
                                          const YLeadByteTable& leadBytes) {
  rawText_.assign(text);
  ParseCookieHeaderText(text, sessionId, leadBytes,
                        [this](const YCookieData& cookie) { MergeCookie(cookie.name, cookie); });
}

CCookie* YCookieDictionary::FindCookie(std::string_view name) const {
  auto it = entries_.find(name);
  return it == entries_.end() ? nullptr : it->second;
}

std::vector<std::string> YCookieDictionary::Names() const {
  std::vector<std::string> names;
  names.reserve(entries_.size());
  for (const auto& entry : entries_) names.push_back(entry.first);
  return names;
}

CCookie* YCookieDictionary::MergeCookie(std::string_view name, const YCookieData& from) {
  auto it = entries_.find(name);
  if (it == entries_.end()) {
    auto* cookie = new CCookie;
    try {
      it = entries_.emplace(std::string(name), cookie).first;
    } catch (...) {
      cookie->Release();
      throw;
    }
  }
  it->second->Data().Merge(from);
  return it->second;
}

void YCookieDictionary::ClearChanged() {
  for (auto& [name, cookie] : entries_) cookie->Data().changed = false;
}

void YCookieDictionary::ClearCookies() {
  while (!entries_.empty()) {
    CCookie* cookie = entries_.begin()->second;
    entries_.erase(entries_.begin());
    cookie->Release();
  }
}

void YCookieDictionary::WriteSetCookieHeaders(YServiceProvider* host) {
  for (auto& [name, cookie] : entries_) {
    if (std::optional<std::string> line = BuildSetCookieText(&cookie->Data())) {
      host->addHeader("Set-Cookie", line->c_str());
    }
  }
}

CCookie* YCookieDictionary::FindOrCreate(const std::string& name) {
  if (CCookie* cookie = FindCookie(name)) return cookie;
  if (BreaksCookieLine(name, true)) throw YAutomationError(E_INVALIDARG);
  auto* cookie = new CCookie;
  cookie->Data().name = name;
  try {
    entries_.emplace(name, cookie);
  } catch (...) {
    cookie->Release();
    throw;
  }
  return cookie;
}

LONG YCookieDictionary::Count() { return static_cast<LONG>(entries_.size()); }

ScopedVariant YCookieDictionary::GetItem(const VARIANT& name) {
  if (IsOmitted(name)) return ScopedVariant::String(NarrowToWide(rawText_, ScriptCodePage()));
  return ScopedVariant::Dispatch(FindOrCreate(VariantToNarrow(name))->GetIDispatch(false));
}

void YCookieDictionary::SetItem(const VARIANT& name, const VARIANT& value) {
  std::string key = VariantToNarrow(name);
  std::string text = VariantToNarrow(value);
  if (BreaksCookieLine(key, true) || BreaksCookieLine(text, false)) throw YAutomationError(E_INVALIDARG);
  FindOrCreate(key)->Data().SetValue(text);
}

ScopedVariant YCookieDictionary::Key(const VARIANT& index) {
  LONG position = VariantToLong(index);
  if (position < 0 || static_cast<size_t>(position) >= entries_.size()) return {};
  return ScopedVariant::Dispatch(std::next(entries_.begin(), position)->second->GetIDispatch(false));
}

ComPtr<IUnknown> YCookieDictionary::NewEnum() { return YDictionaryEnum::Create(Names()); }

const YDispatchMap& YCookieDictionary::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&YCookieDictionary::Count>("Count"),
      DispProperty<&YCookieDictionary::GetItem, &YCookieDictionary::SetItem>("Item", DISPID_VALUE),
      DispProperty<&YCookieDictionary::Key>("Key"),
      DispProperty<&YCookieDictionary::NewEnum>("get_NewEnum", DISPID_NEWENUM),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}
