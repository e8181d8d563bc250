#include "CCookieEnum.h"

#include <new>

#include "automation/TextConversion.h"
#include "objects/CCookie.h"

CCookieEnum::CCookieEnum(CCookie* cookie, YHashedStringMap::Position position) : cookie_(cookie), position_(position) {
  cookie_->AddRef();
}

CCookieEnum::~CCookieEnum() { cookie_->Release(); }

ComPtr<IUnknown> CCookieEnum::Create(CCookie* cookie) {
  auto* enumerator = new CCookieEnum(cookie, {});
  return ComPtr<IUnknown>::Adopt(&enumerator->enum_);
}

std::span<const YInterfaceEntry> CCookieEnum::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_IEnumVARIANT, NestedInterfaceOf<&CCookieEnum::enum_>}};
  return kEntries;
}

STDMETHODIMP CCookieEnum::XEnumVARIANT::Next(ULONG count, VARIANT* out, ULONG* fetched) {
  if (!fetched && count > 1) return E_INVALIDARG;
  if (fetched) *fetched = 0;
  if (count > 0 && !out) return E_POINTER;
  for (ULONG i = 0; i < count; ++i) VariantInit(&out[i]);
  CCookieEnum* e = self();
  const YHashedStringMap& keys = e->cookie_->Data().keys;
  ULONG n = 0;
  for (; n < count; ++n) {
    YHashedStringMap::Position next = e->position_;
    const YHashedStringMap::Entry* entry = keys.Next(&next);
    if (!entry) break;
    BSTR name = nullptr;
    try {
      name = NarrowToBstr(entry->first, ScriptCodePage());
    } catch (const std::bad_alloc&) {
      for (ULONG i = 0; i < n; ++i) VariantClear(&out[i]);
      if (fetched) *fetched = 0;
      return E_OUTOFMEMORY;
    }
    V_VT(&out[n]) = VT_BSTR;
    V_BSTR(&out[n]) = name;
    e->position_ = next;
  }
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP CCookieEnum::XEnumVARIANT::Skip(ULONG count) {
  CCookieEnum* e = self();
  const YHashedStringMap& keys = e->cookie_->Data().keys;
  for (ULONG i = 0; i < count; ++i) {
    if (!keys.Next(&e->position_)) return S_FALSE;
  }
  return S_OK;
}

STDMETHODIMP CCookieEnum::XEnumVARIANT::Reset() {
  self()->position_ = {};
  return S_OK;
}

STDMETHODIMP CCookieEnum::XEnumVARIANT::Clone(IEnumVARIANT** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  auto* copy = new (std::nothrow) CCookieEnum(self()->cookie_, self()->position_);
  if (!copy) return E_OUTOFMEMORY;
  *out = &copy->enum_;
  return S_OK;
}
