#include "automation/YClassFactoryCache.h"

#include <cstring>
#include <map>

#include "automation/ComPtr.h"
#include "automation/YMutex.h"

namespace {

struct ClassIdLess {
  bool operator()(const CLSID& a, const CLSID& b) const { return std::memcmp(&a, &b, sizeof(CLSID)) < 0; }
};

struct FactoryTable {
  YMutex mutex;
  std::map<CLSID, ComPtr<IClassFactory>, ClassIdLess> factories;
};

// Never destroyed: at process exit the factories' DLLs may be unloaded already, and a
// Release into them would crash.
FactoryTable& Table() {
  static FactoryTable* table = new FactoryTable;
  return *table;
}

bool InMultithreadedApartment() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  return SUCCEEDED(CoGetApartmentType(&type, &qualifier)) && type == APTTYPE_MTA;
}

ComPtr<IClassFactory> CachedFactory(const CLSID& classId) {
  FactoryTable& table = Table();
  YMutexLock lock(table.mutex);
  auto found = table.factories.find(classId);
  return found == table.factories.end() ? ComPtr<IClassFactory>() : found->second;
}

void DropFactory(const CLSID& classId, IClassFactory* factory) {
  FactoryTable& table = Table();
  YMutexLock lock(table.mutex);
  auto found = table.factories.find(classId);
  // Another thread may have put a fresh one in its place already.
  if (found != table.factories.end() && (!factory || found->second.Get() == factory)) table.factories.erase(found);
}

}  // namespace

HRESULT YClassFactoryCache::CreateInstance(const CLSID& classId, REFIID iid, void** object) {
  *object = nullptr;
  if (!InMultithreadedApartment()) return CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, iid, object);
  ComPtr<IClassFactory> factory = CachedFactory(classId);
  if (factory) {
    if (SUCCEEDED(factory->CreateInstance(nullptr, iid, object))) return S_OK;
    *object = nullptr;
    DropFactory(classId, factory.Get());
  }
  HRESULT hr = CoGetClassObject(classId, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.ReceiveVoid());
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, iid, object);
  if (FAILED(hr)) {
    *object = nullptr;
    return hr;
  }
  FactoryTable& table = Table();
  YMutexLock lock(table.mutex);
  table.factories[classId] = factory;
  return S_OK;
}

void YClassFactoryCache::Forget(const CLSID& classId) { DropFactory(classId, nullptr); }
