#include "YDictionaryEnum.h"

#include <new>

#include "automation/TextConversion.h"

YDictionaryEnum::YDictionaryEnum(std::vector<std::string> keys) : keys_(std::move(keys)) {}

ComPtr<IUnknown> YDictionaryEnum::Create(std::vector<std::string> keys) {
  auto* enumerator = new YDictionaryEnum(std::move(keys));
  return ComPtr<IUnknown>::Adopt(&enumerator->enum_);
}

std::span<const YInterfaceEntry> YDictionaryEnum::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_IEnumVARIANT, NestedInterfaceOf<&YDictionaryEnum::enum_>}};
  return kEntries;
}

HRESULT YDictionaryEnum::Fetch(ULONG count, VARIANT* out, ULONG* fetched) {
  if (!fetched && count > 1) return E_INVALIDARG;
  if (fetched) *fetched = 0;
  if (count > 0 && !out) return E_POINTER;
  for (ULONG i = 0; i < count; ++i) VariantInit(&out[i]);
  ULONG n = 0;
  try {
    for (; n < count && cursor_ < keys_.size(); ++n) {
      V_BSTR(&out[n]) = NarrowToBstr(keys_[cursor_], ScriptCodePage());
      V_VT(&out[n]) = VT_BSTR;
      ++cursor_;
    }
  } catch (const std::bad_alloc&) {
    for (ULONG i = 0; i < n; ++i) VariantClear(&out[i]);
    if (fetched) *fetched = 0;
    return E_OUTOFMEMORY;
  }
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

HRESULT YDictionaryEnum::SkipKeys(ULONG count) {
  size_t left = keys_.size() - cursor_;
  if (count > left) {
    cursor_ = keys_.size();
    return S_FALSE;
  }
  cursor_ += count;
  return S_OK;
}

HRESULT YDictionaryEnum::ResetCursor() {
  cursor_ = 0;
  return S_OK;
}

STDMETHODIMP YDictionaryEnum::XEnumVARIANT::Next(ULONG count, VARIANT* out, ULONG* fetched) {
  return self()->Fetch(count, out, fetched);
}

STDMETHODIMP YDictionaryEnum::XEnumVARIANT::Skip(ULONG count) { return self()->SkipKeys(count); }

STDMETHODIMP YDictionaryEnum::XEnumVARIANT::Reset() { return self()->ResetCursor(); }

STDMETHODIMP YDictionaryEnum::XEnumVARIANT::Clone(IEnumVARIANT** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  YDictionaryEnum* copy = nullptr;
  try {
    copy = new YDictionaryEnum(self()->keys_);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  *out = &copy->enum_;  // the clone's initial reference, cursor at the first key
  return S_OK;
}
