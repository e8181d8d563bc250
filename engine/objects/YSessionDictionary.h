// YSessionDictionary: the locked store of named values behind Session.Contents and
// Application.Contents, and of server objects behind their StaticObjects. Stores of an
// application or a session are shared by the requests that run at once on different
// threads, so every operation holds the store's lock from its first look at the entries
// to its last. Arguments are converted before the lock is taken.
//
// Script values are kept as private VARIANT copies; objects created for <object>
// elements are kept as VT_UNKNOWN and can become named items of a script engine.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "automation/CCmdTarget.h"
#include "automation/ComPtr.h"
#include "automation/ScopedVariant.h"
#include "automation/YMutex.h"
#include "objects/AsciiNoCaseLess.h"

class CScriptEngine;

// {55754EF0-29F9-44ED-A54A-A7C4CDC951A9}
extern const IID IID_YSessionDictionary;

class YSessionDictionary : public CCmdTarget {
 public:
  YSessionDictionary();

  // The store's lock, for Application.Lock: recursive for the owning thread.
  void Lock() { lock_.Lock(); }
  void Unlock() { lock_.Unlock(); }

  virtual void Remove(const VARIANT& key);
  virtual void RemoveAll();
  // Makes every stored object (VT_UNKNOWN) a visible named item of the engine.
  virtual bool RegisterNamedItems(CScriptEngine* engine);
  // Stores object under name, taking over the caller's reference. An existing entry of
  // that name stays: the object is released and the answer is false.
  virtual bool StoreObject(std::string_view name, IUnknown* object);
  // The object stored by StoreObject under name, or null; no reference is added.
  virtual IUnknown* LookupObject(std::string_view name);
  virtual LONG Count();
  virtual ScopedVariant Key(const VARIANT& index);
  virtual ScopedVariant GetItem(const VARIANT& name);
  virtual void PutItem(const VARIANT& name, const VARIANT& value);
  virtual ComPtr<IUnknown> NewEnum();

 protected:
  ~YSessionDictionary() override;
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  using Entries = std::map<std::string, ScopedVariant, AsciiNoCaseLess>;

  YMutex lock_;
  Entries entries_;
};
