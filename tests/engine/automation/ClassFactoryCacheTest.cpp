// Creating objects through cached class factories: one lookup per class, and recovery
// when the cached factory stops creating.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>

#include <atomic>

#include "automation/ComPtr.h"
#include "automation/YClassFactoryCache.h"

namespace {

// {6C1E2B7A-3D4F-4E85-9A61-0F2D7C3B5E11}
constexpr CLSID kTestClass = {0x6c1e2b7a, 0x3d4f, 0x4e85, {0x9a, 0x61, 0x0f, 0x2d, 0x7c, 0x3b, 0x5e, 0x11}};

// A plain object for the factories to make.
class Made final : public IUnknown {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --refs_;
    if (!left) delete this;
    return left;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

// A factory registered for the process that counts how often COM hands it out (each
// CoGetClassObject asks it for IClassFactory) and can be told to fail.
class CountingFactory : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IClassFactory) ++lookups;
    *out = iid == IID_IUnknown || iid == IID_IClassFactory ? static_cast<IClassFactory*>(this) : nullptr;
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (failing) return E_FAIL;
    ++created;
    Made* made = new Made;
    HRESULT hr = made->QueryInterface(iid, out);
    made->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

  std::atomic<int> lookups{0};
  std::atomic<int> created{0};
  std::atomic<bool> failing{false};
};

// Registers factory for kTestClass while it lives.
class Registration {
 public:
  explicit Registration(CountingFactory* factory) {
    CoRegisterClassObject(kTestClass, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
  }
  ~Registration() { CoRevokeClassObject(cookie_); }

 private:
  DWORD cookie_ = 0;
};

HRESULT Create(ComPtr<IUnknown>* object) {
  return YClassFactoryCache::CreateInstance(kTestClass, IID_IUnknown, object->ReceiveVoid());
}

TEST(ClassFactoryCache, AsksForTheClassOnceAndRecoversWhenItsFactoryFails) {
  YClassFactoryCache::Forget(kTestClass);
  ComPtr<IUnknown> object;
  EXPECT_EQ(REGDB_E_CLASSNOTREG, Create(&object));
  EXPECT_FALSE(object);

  CountingFactory first;
  {
    Registration registered(&first);
    for (int i = 0; i < 5; ++i) {
      ASSERT_EQ(S_OK, Create(&object)) << i;
      EXPECT_TRUE(object);
    }
    EXPECT_EQ(5, first.created);
    EXPECT_EQ(1, first.lookups);  // the class was asked for once
  }

  // The class now stands for another factory and the cached one fails: the failure
  // drops it, and the same call creates through the new one.
  CountingFactory second;
  Registration registered(&second);
  first.failing = true;
  ASSERT_EQ(S_OK, Create(&object));
  EXPECT_TRUE(object);
  EXPECT_EQ(1, second.created);
  ASSERT_EQ(S_OK, Create(&object));
  EXPECT_EQ(2, second.created);
  EXPECT_EQ(1, second.lookups);

  // A factory that fails whatever is asked: the error, nothing kept, and creation
  // works again once it recovers.
  second.failing = true;
  EXPECT_EQ(E_FAIL, Create(&object));
  EXPECT_FALSE(object);
  second.failing = false;
  ASSERT_EQ(S_OK, Create(&object));
  EXPECT_EQ(3, second.created);
}

}  // namespace
