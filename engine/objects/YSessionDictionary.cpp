#include "YSessionDictionary.h"

#include <iterator>
#include <utility>
#include <vector>

#include "automation/TextConversion.h"
#include "automation/YAutomationError.h"
#include "objects/VariantArgs.h"
#include "objects/YDictionaryEnum.h"
#include "script/CScriptEngine.h"

namespace {

// Empty, also when passed by reference.
bool IsEmptyValue(const VARIANT& value) {
  if (V_VT(&value) == (VT_BYREF | VT_VARIANT)) return V_VARIANTREF(&value) && V_VT(V_VARIANTREF(&value)) == VT_EMPTY;
  return V_VT(&value) == VT_EMPTY;
}

}  // namespace

const IID IID_YSessionDictionary = {0x55754EF0, 0x29F9, 0x44ED, {0xA5, 0x4A, 0xA7, 0xC4, 0xCD, 0xC9, 0x51, 0xA9}};

YSessionDictionary::YSessionDictionary() = default;

YSessionDictionary::~YSessionDictionary() { RemoveAll(); }

std::span<const YInterfaceEntry> YSessionDictionary::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_YSessionDictionary, nullptr}};
  return kEntries;
}

// Values leave the map under the lock but are cleared after it: releasing a stored
// object may run that object's own code, which must not run inside the store's lock.
void YSessionDictionary::Remove(const VARIANT& key) {
  ScopedVariant removed;
  YMutexLock hold(lock_);
  Entries::iterator it = entries_.end();
  switch (V_VT(&key)) {
    case VT_BSTR: it = entries_.find(BstrToNarrow(V_BSTR(&key), CP_THREAD_ACP)); break;
    case VT_I2:
    case VT_I4: {
      LONG position = V_VT(&key) == VT_I2 ? V_I2(&key) : V_I4(&key);
      if (position >= 0 && static_cast<size_t>(position) < entries_.size()) it = std::next(entries_.begin(), position);
      break;
    }
    default: break;
  }
  if (it == entries_.end()) return;
  removed = std::move(it->second);
  entries_.erase(it);
}

void YSessionDictionary::RemoveAll() {
  Entries removed;
  YMutexLock hold(lock_);
  removed.swap(entries_);
}

bool YSessionDictionary::RegisterNamedItems(CScriptEngine* engine) {
  YMutexLock hold(lock_);
  for (const auto& [name, value] : entries_) {
    if (value.Type() != VT_UNKNOWN) continue;
    engine->AddNamedItem(NarrowToWide(name, CP_THREAD_ACP).c_str(), SCRIPTITEM_ISVISIBLE);
  }
  return true;
}

bool YSessionDictionary::StoreObject(std::string_view name, IUnknown* object) {
  ScopedVariant value = ScopedVariant::OwnUnknown(object);
  YMutexLock hold(lock_);
  if (entries_.find(name) != entries_.end()) return false;
  entries_.emplace(std::string(name), std::move(value));
  return true;
}

IUnknown* YSessionDictionary::LookupObject(std::string_view name) {
  YMutexLock hold(lock_);
  auto it = entries_.find(name);
  if (it == entries_.end() || it->second.Type() != VT_UNKNOWN) return nullptr;
  return V_UNKNOWN(it->second.ptr());
}

LONG YSessionDictionary::Count() {
  YMutexLock hold(lock_);
  return static_cast<LONG>(entries_.size());
}

ScopedVariant YSessionDictionary::Key(const VARIANT& index) {
  LONG position = VariantToLong(index);
  std::string name;
  {
    YMutexLock hold(lock_);
    if (position < 0 || static_cast<size_t>(position) >= entries_.size()) return {};
    name = std::next(entries_.begin(), position)->first;
  }
  return ScopedVariant::String(NarrowToWide(name, CP_THREAD_ACP));
}

ScopedVariant YSessionDictionary::GetItem(const VARIANT& name) {
  if (IsOmitted(name)) return {};
  std::string key = VariantToNarrow(name);
  ScopedVariant copy;
  YMutexLock hold(lock_);
  auto it = entries_.find(key);
  if (it == entries_.end()) return {};
  HRESULT hr = VariantCopy(copy.Receive(), it->second.ptr());
  if (FAILED(hr)) throw YAutomationError(hr);
  return copy;
}

void YSessionDictionary::PutItem(const VARIANT& name, const VARIANT& value) {
  if (IsEmptyValue(value)) {
    Remove(name);
    return;
  }
  std::string key = VariantToNarrow(name);
  // A value passed by reference is stored as a copy of what it refers to (an array of
  // variants by reference becomes a copy of the array); anything else as a plain copy.
  ScopedVariant copy;
  HRESULT hr = ScopedVariant::CopyOf(value, &copy);
  if (FAILED(hr)) throw YAutomationError(hr);
  ScopedVariant previous;
  YMutexLock hold(lock_);
  auto it = entries_.find(key);
  if (it == entries_.end()) {
    entries_.emplace(std::move(key), std::move(copy));
  } else {
    previous = std::move(it->second);
    it->second = std::move(copy);
  }
}

ComPtr<IUnknown> YSessionDictionary::NewEnum() {
  std::vector<std::string> names;
  {
    YMutexLock hold(lock_);
    names.reserve(entries_.size());
    for (const auto& entry : entries_) names.push_back(entry.first);
  }
  return YDictionaryEnum::Create(std::move(names));
}

const YDispatchMap& YSessionDictionary::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispProperty<&YSessionDictionary::Count>("Count"),
      DispProperty<&YSessionDictionary::GetItem, &YSessionDictionary::PutItem>("Item", DISPID_VALUE),
      DispProperty<&YSessionDictionary::Key>("Key"),
      DispMethod<&YSessionDictionary::Remove>("Remove"),
      DispMethod<&YSessionDictionary::RemoveAll>("RemoveAll"),
      DispProperty<&YSessionDictionary::NewEnum>("get_NewEnum", DISPID_NEWENUM),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}
