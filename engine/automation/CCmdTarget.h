// CCmdTarget: the automation base of every script-visible object.
//
// - Reference counted: the count starts at 1 (the creator's reference); the final
//   Release calls OnFinalRelease, which deletes the object unless a class overrides it.
// - QueryInterface answers IUnknown and IDispatch (both the object's own IDispatch, its
//   identity) and the entries of the class's interface map: its dispatch interface
//   identifier, and nested interfaces that share the object's count.
// - IDispatch is implemented once, here, from the class's dispatch map (DispatchMap.h):
//   names without regard to case, argument count, flags and conversions, property get,
//   put and methods, the default member, and automation exceptions.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <span>

#include "DispatchMap.h"

class CCmdTarget;

struct YInterfaceEntry {
  const IID* iid;
  // The interface to answer; null answers the object's IDispatch.
  IUnknown* (*get)(CCmdTarget* self);
};

class CCmdTarget {
 public:
  CCmdTarget();
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;

  ULONG AddRef();
  ULONG Release();
  HRESULT QueryInterface(REFIID iid, void** out);

  // The object's IDispatch, which is also its identity IUnknown.
  IDispatch* GetIDispatch(bool addRef);
  IUnknown* GetUnknown() { return &dispatch_; }

  // The IDispatch members, reachable from C++ as well.
  virtual HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* dispids);
  virtual HRESULT Invoke(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                         UINT* argErr);

 protected:
  virtual ~CCmdTarget();

  // Called when the last reference goes; the default deletes the object. A class that
  // must release what it holds before it goes does so here and calls the base.
  virtual void OnFinalRelease();

  virtual const YDispatchMap& GetDispatchMap() const;
  // The dispatch id of a member name (the first name GetIDsOfNames is asked for); the
  // default looks in the dispatch map without regard to case.
  virtual bool FindMemberId(std::wstring_view name, DISPID* dispid);
  virtual std::span<const YInterfaceEntry> GetInterfaceMap() const;

 private:
  class XDispatch : public IDispatch {
   public:
    explicit XDispatch(CCmdTarget* owner) : owner_(owner) {}
    virtual ~XDispatch() = default;
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) override;
    STDMETHODIMP Invoke(DISPID dispid, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excepInfo, UINT* argErr) override;

   private:
    CCmdTarget* owner_;
  };

  HRESULT InvokeEntry(const YDispatchEntry& entry, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excepInfo, UINT* argErr);

  XDispatch dispatch_;
  volatile LONG refs_ = 1;
};

// A nested interface (IEnumVARIANT, IStream, IActiveScriptSite, ...) implemented by a
// member object: its IUnknown is the owner's, so it shares the owner's count and
// identity. Derive the member's class from YNestedInterface<Interface>.
template <class Interface>
class YNestedInterface : public Interface {
 public:
  explicit YNestedInterface(CCmdTarget* owner) : owner_(owner) {}
  virtual ~YNestedInterface() = default;
  YNestedInterface(const YNestedInterface&) = delete;
  YNestedInterface& operator=(const YNestedInterface&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return owner_->QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

 protected:
  CCmdTarget* owner() const { return owner_; }

 private:
  CCmdTarget* owner_;
};

// Interface map entry for a nested interface member: {&IID_IStream, NestedInterfaceOf<&C::stream_>}.
template <auto Member>
IUnknown* NestedInterfaceOf(CCmdTarget* self) {
  return [self]<class C, class M>(M C::*member) -> IUnknown* { return &(static_cast<C*>(self)->*member); }(Member);
}

// Fills an EXCEPINFO for DISP_E_EXCEPTION (excepInfo may be null).
void FillExcepInfo(EXCEPINFO* excepInfo, HRESULT code, const std::wstring& description, const std::wstring& source);
