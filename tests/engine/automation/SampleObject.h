// A script-visible sample class that exercises every kind of member the automation
// base supports: the tests drive it through IDispatch and through the real engines.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "automation/CCmdTarget.h"

// {6E2A3F10-8C51-4B7A-9D3E-1F0A2B3C4D5E}
extern const IID IID_ISampleDispatch;

class CSampleObject : public CCmdTarget {
 public:
  CSampleObject();

  // Set when the object is destroyed (for the reference count tests).
  bool* destroyedFlag = nullptr;
  // The type of the last VARIANT argument Sum received for b and c.
  VARTYPE lastB = VT_EMPTY, lastC = VT_EMPTY;
  std::map<std::string, ScopedVariant> items;  // keys as given, case-sensitive
  // Name's narrow bytes, as the member received them.
  const std::string& name() const { return name_; }

 protected:
  ~CSampleObject() override;
  const YDispatchMap& GetDispatchMap() const override;
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  std::string GetName() { return name_; }
  void SetName(const char* name) { name_ = name; }
  LONG GetCount() { return static_cast<LONG>(items.size()); }
  bool GetFlag() { return flag_; }
  void SetFlag(bool flag) { flag_ = flag; }
  YDate GetStamp() { return stamp_; }
  void SetStamp(YDate stamp) { stamp_ = stamp; }
  LONG Sum(LONG a, const VARIANT& b, const VARIANT& c);
  std::string Concat(const char* a, const char* b) { return std::string(a) + b; }
  ScopedVariant GetItem(const VARIANT& key);
  void SetItem(const VARIANT& key, const VARIANT& value);
  ComPtr<IDispatch> GetChild();
  void Fail(LONG code);
  ComPtr<IUnknown> NewEnum();

  std::string name_;
  bool flag_ = false;
  YDate stamp_;
  CSampleObject* child_ = nullptr;  // created on first use, one reference held
};

// Enumerates a snapshot of keys through a nested IEnumVARIANT.
class CSampleEnum : public CCmdTarget {
 public:
  explicit CSampleEnum(std::vector<std::string> keys);

 protected:
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  class XEnumVARIANT : public YNestedInterface<IEnumVARIANT> {
   public:
    using YNestedInterface::YNestedInterface;
    STDMETHODIMP Next(ULONG count, VARIANT* out, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumVARIANT** out) override;

   private:
    CSampleEnum* self() const { return static_cast<CSampleEnum*>(owner()); }
  };

  std::vector<std::string> keys_;
  size_t cursor_ = 0;
  XEnumVARIANT enum_{this};
};
