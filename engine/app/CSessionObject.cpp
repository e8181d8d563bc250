#include "app/CSessionObject.h"

#include <utility>

#include "app/StateClock.h"
#include "objects/YSessionDictionary.h"

const IID IID_CSessionObject = {0xF1F51F5A, 0x67F5, 0x4842, {0xB8, 0xA8, 0xDC, 0x56, 0x84, 0xE1, 0xA5, 0x86}};

CSessionObject::CSessionObject()
    : lastAccess_(StateNow()), contents_(new YSessionDictionary), staticObjects_(new YSessionDictionary) {}

CSessionObject::~CSessionObject() = default;

void CSessionObject::OnFinalRelease() {
  std::exchange(contents_, nullptr)->Release();
  std::exchange(staticObjects_, nullptr)->Release();
  CCmdTarget::OnFinalRelease();
}

std::span<const YInterfaceEntry> CSessionObject::GetInterfaceMap() const {
  static const YInterfaceEntry kEntries[] = {{&IID_CSessionObject, nullptr}};
  return kEntries;
}

void CSessionObject::AddReference() {
  YMutexLock hold(mutex_);
  ++references_;
}

int32_t CSessionObject::DropReference() {
  YMutexLock hold(mutex_);
  return --references_;
}

bool CSessionObject::IsDue(int64_t now) const {
  return abandoned_ || now > lastAccess_ + 60 * static_cast<int64_t>(timeout_);
}

void CSessionObject::Abandon() { abandoned_ = true; }

ComPtr<IDispatch> CSessionObject::GetContents() { return ComPtr<IDispatch>(contents_->GetIDispatch(false)); }

ComPtr<IDispatch> CSessionObject::GetStaticObjects() { return ComPtr<IDispatch>(staticObjects_->GetIDispatch(false)); }

LONG CSessionObject::GetCodePage() { return codePage_; }
void CSessionObject::SetCodePage(LONG codePage) { codePage_ = codePage; }
LONG CSessionObject::GetLCID() { return lcid_; }
void CSessionObject::SetLCID(LONG lcid) { lcid_ = lcid; }
std::string CSessionObject::GetSessionID() { return id_; }
LONG CSessionObject::GetTimeOut() { return timeout_; }
void CSessionObject::SetTimeOut(LONG minutes) { timeout_ = minutes; }

ScopedVariant CSessionObject::GetItem(const VARIANT& key) { return contents_->GetItem(key); }

void CSessionObject::SetItem(const VARIANT& key, const VARIANT& value) { contents_->PutItem(key, value); }

const YDispatchMap& CSessionObject::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispMethod<&CSessionObject::Abandon>("Abandon"),
      DispProperty<&CSessionObject::GetContents>("Contents"),
      DispProperty<&CSessionObject::GetStaticObjects>("StaticObjects"),
      DispProperty<&CSessionObject::GetCodePage, &CSessionObject::SetCodePage>("CodePage"),
      DispProperty<&CSessionObject::GetLCID, &CSessionObject::SetLCID>("LCID"),
      DispProperty<&CSessionObject::GetSessionID>("SessionID"),
      DispProperty<&CSessionObject::GetTimeOut, &CSessionObject::SetTimeOut>("TimeOut"),
      DispProperty<&CSessionObject::GetItem, &CSessionObject::SetItem>("Item", DISPID_VALUE),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}
