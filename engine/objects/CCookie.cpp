#include "CCookie.h"

#include "automation/TextConversion.h"
#include "automation/YAutomationError.h"
#include "objects/CCookieEnum.h"
#include "objects/CookieText.h"
#include "objects/VariantArgs.h"

const IID IID_CCookie = {0x99F49FA1, 0x0EB0, 0x4003, {0xB0, 0x4C, 0x82, 0x84, 0xE0, 0x68, 0x15, 0xBB}};

namespace {

void RefuseLineBreak(std::string_view text, bool isName) {
  if (BreaksCookieLine(text, isName)) throw YAutomationError(E_INVALIDARG);
}

std::string AttributeOrEmpty(const YCookieData& data, std::string_view name) {
  const std::string* text = data.attributes.Find(name);
  return text ? *text : std::string();
}

}  // namespace

CCookie::CCookie() = default;

std::span<const YInterfaceEntry> CCookie::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_CCookie, nullptr}};
  return kEntries;
}

std::string CCookie::GetPath() { return AttributeOrEmpty(data_, "path"); }

void CCookie::SetPath(const char* text) {
  if (!text) return;
  RefuseLineBreak(text, false);
  data_.path = text;
  data_.attributes.Set("path", text);
  data_.changed = true;
}

std::string CCookie::GetDomain() { return AttributeOrEmpty(data_, "domain"); }

void CCookie::SetDomain(const char* text) {
  if (!text) return;
  RefuseLineBreak(text, false);
  data_.attributes.Set("domain", text);
  data_.changed = true;
}

bool CCookie::GetSecure() { return data_.attributes.Find("secure") != nullptr; }

void CCookie::SetSecure(bool secure) {
  if (secure) {
    data_.attributes.Set("secure", " ");
  } else {
    data_.attributes.Remove("secure");
  }
  data_.changed = true;
}

YDate CCookie::GetExpires() {
  SYSTEMTIME utc, local;
  DATE date = 0;
  const std::string* text = data_.attributes.Find("expires");
  if (text && ParseCookieExpires(*text, &utc) && SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
    SystemTimeToVariantTime(&local, &date);
  }
  return YDate{date};
}

void CCookie::SetExpires(YDate date) {
  // The date is local time; the attribute carries it in GMT.
  SYSTEMTIME local, utc;
  if (!VariantTimeToSystemTime(date.value, &local) || !TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) {
    throw YAutomationError(E_INVALIDARG);
  }
  data_.attributes.Set("expires", FormatCookieExpires(utc));
  data_.changed = true;
}

bool CCookie::HasKeys() { return !data_.keys.empty(); }

ScopedVariant CCookie::GetItem(const VARIANT& key) {
  if (IsOmitted(key)) return ScopedVariant::String(NarrowToWide(data_.value, ScriptCodePage()));
  const std::string* text = data_.keys.Find(VariantToNarrow(key));
  if (!text) return {};
  return ScopedVariant::String(NarrowToWide(*text, ScriptCodePage()));
}

void CCookie::SetItem(const VARIANT& key, const VARIANT& value) {
  std::string text = VariantToNarrow(value);
  RefuseLineBreak(text, false);
  if (IsOmitted(key)) {  // cookie.Item = "v": the single value
    data_.SetValue(text);
    return;
  }
  std::string name = VariantToNarrow(key);
  RefuseLineBreak(name, true);
  data_.SetKey(name, text);
}

ComPtr<IUnknown> CCookie::NewEnum() { return CCookieEnum::Create(this); }

const YDispatchMap& CCookie::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&CCookie::GetPath, &CCookie::SetPath>("Path"),
      DispProperty<&CCookie::GetDomain, &CCookie::SetDomain>("Domain"),
      DispProperty<&CCookie::GetSecure, &CCookie::SetSecure>("Secure"),
      DispProperty<&CCookie::GetExpires, &CCookie::SetExpires>("Expires"),
      DispProperty<&CCookie::HasKeys>("HasKeys"),
      DispProperty<&CCookie::GetItem, &CCookie::SetItem>("Item", DISPID_VALUE),
      DispProperty<&CCookie::NewEnum>("_NewEnum", DISPID_NEWENUM),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}
