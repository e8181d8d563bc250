#include "SampleObject.h"

#include "automation/YAutomationError.h"

const IID IID_ISampleDispatch = {0x6E2A3F10, 0x8C51, 0x4B7A, {0x9D, 0x3E, 0x1F, 0x0A, 0x2B, 0x3C, 0x4D, 0x5E}};

CSampleObject::CSampleObject() = default;

CSampleObject::~CSampleObject() {
  if (child_) child_->Release();
  if (destroyedFlag) *destroyedFlag = true;
}

const YDispatchMap& CSampleObject::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&CSampleObject::GetName, &CSampleObject::SetName>("Name"),
      DispProperty<&CSampleObject::GetCount>("Count"),
      DispProperty<&CSampleObject::GetFlag, &CSampleObject::SetFlag>("Flag"),
      DispProperty<&CSampleObject::GetStamp, &CSampleObject::SetStamp>("Stamp"),
      DispMethod<&CSampleObject::Sum>("Sum"),
      DispMethod<&CSampleObject::Concat>("Concat"),
      DispProperty<&CSampleObject::GetItem, &CSampleObject::SetItem>("Item", DISPID_VALUE),
      DispProperty<&CSampleObject::GetChild>("Child"),
      DispMethod<&CSampleObject::Fail>("Fail"),
      DispProperty<&CSampleObject::NewEnum>("_NewEnum", DISPID_NEWENUM),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}

std::span<const YInterfaceEntry> CSampleObject::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_ISampleDispatch, nullptr}};
  return kEntries;
}

LONG CSampleObject::Sum(LONG a, const VARIANT& b, const VARIANT& c) {
  lastB = V_VT(&b);
  lastC = V_VT(&c);
  LONG total = a;
  for (const VARIANT* v : {&b, &c}) {
    if (V_VT(v) == VT_ERROR) continue;  // omitted
    ScopedVariant number;
    HRESULT hr = VariantChangeType(number.Receive(), const_cast<VARIANT*>(v), 0, VT_I4);
    if (FAILED(hr)) throw YAutomationError(hr);
    total += V_I4(number.ptr());
  }
  return total;
}

ScopedVariant CSampleObject::GetItem(const VARIANT& key) {
  if (V_VT(&key) == VT_ERROR) return ScopedVariant::Int(GetCount());  // the object itself: its count
  ScopedVariant text;
  HRESULT hr = VariantChangeType(text.Receive(), const_cast<VARIANT*>(&key), 0, VT_BSTR);
  if (FAILED(hr)) throw YAutomationError(hr);
  auto it = items.find(BstrToNarrow(V_BSTR(text.ptr()), CP_THREAD_ACP));
  if (it == items.end()) return {};
  ScopedVariant copy;
  ScopedVariant::CopyOf(*it->second.ptr(), &copy);
  return copy;
}

void CSampleObject::SetItem(const VARIANT& key, const VARIANT& value) {
  ScopedVariant text;
  HRESULT hr = VariantChangeType(text.Receive(), const_cast<VARIANT*>(&key), 0, VT_BSTR);
  if (FAILED(hr)) throw YAutomationError(hr);
  ScopedVariant copy;
  ScopedVariant::CopyOf(value, &copy);
  items[BstrToNarrow(V_BSTR(text.ptr()), CP_THREAD_ACP)] = std::move(copy);
}

ComPtr<IDispatch> CSampleObject::GetChild() {
  if (!child_) child_ = new CSampleObject;
  return ComPtr<IDispatch>(child_->GetIDispatch(false));
}

void CSampleObject::Fail(LONG code) { throw YAutomationError(code, L"failed on purpose", L"Sample"); }

ComPtr<IUnknown> CSampleObject::NewEnum() {
  std::vector<std::string> keys;
  for (const auto& [key, value] : items) keys.push_back(key);
  auto* enumerator = new CSampleEnum(std::move(keys));
  IUnknown* unknown = nullptr;
  enumerator->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&unknown));
  enumerator->Release();
  return ComPtr<IUnknown>::Adopt(unknown);
}

CSampleEnum::CSampleEnum(std::vector<std::string> keys) : keys_(std::move(keys)) {}

std::span<const YInterfaceEntry> CSampleEnum::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_IEnumVARIANT, NestedInterfaceOf<&CSampleEnum::enum_>}};
  return kEntries;
}

STDMETHODIMP CSampleEnum::XEnumVARIANT::Next(ULONG count, VARIANT* out, ULONG* fetched) {
  if (!fetched && count > 1) return E_INVALIDARG;
  CSampleEnum* e = self();
  ULONG n = 0;
  for (; n < count && e->cursor_ < e->keys_.size(); ++n, ++e->cursor_) {
    VariantInit(&out[n]);
    V_VT(&out[n]) = VT_BSTR;
    V_BSTR(&out[n]) = NarrowToBstr(e->keys_[e->cursor_], CP_THREAD_ACP);
  }
  if (fetched) *fetched = n;
  return n == count ? S_OK : S_FALSE;
}

STDMETHODIMP CSampleEnum::XEnumVARIANT::Skip(ULONG count) {
  CSampleEnum* e = self();
  size_t left = e->keys_.size() - e->cursor_;
  e->cursor_ += count < left ? count : left;
  return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP CSampleEnum::XEnumVARIANT::Reset() {
  self()->cursor_ = 0;
  return S_OK;
}

STDMETHODIMP CSampleEnum::XEnumVARIANT::Clone(IEnumVARIANT** out) {
  auto* copy = new CSampleEnum(self()->keys_);
  HRESULT hr = copy->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(out));
  copy->Release();
  return hr;
}
