// YProxyDispatch: the object behind the named item "OrvaneCrossScript". It wraps the
// script dispatch of one engine (its global variables and procedures) so that another
// engine of the same page can call them, and looks a name up again without regard to
// case when the wrapped engine does not know it, so that VBScript reaches JScript
// procedures written in any case.
//
// A plain IDispatch with a non-atomic count that starts at 1: a proxy lives on the
// thread that runs its page. Once the wrapped dispatch is dropped every forwarded call
// answers S_FALSE.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>

#include "automation/ComPtr.h"

class YProxyDispatch final : public IDispatch {
 public:
  // Adopts the caller's reference on inner (which may be null).
  explicit YProxyDispatch(IDispatch* inner);
  YProxyDispatch(const YProxyDispatch&) = delete;
  YProxyDispatch& operator=(const YProxyDispatch&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) override;
  STDMETHODIMP Invoke(DISPID dispid, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excepInfo, UINT* argErr) override;

  // Drops the wrapped dispatch; from then on the proxy answers S_FALSE.
  void ReleaseInner() { inner_.Reset(); }
  // Wraps another dispatch in place of the current one (adopts the caller's reference).
  void ReplaceInner(IDispatch* inner) { inner_ = ComPtr<IDispatch>::Adopt(inner); }
  IDispatch* inner() const { return inner_.Get(); }

 private:
  ~YProxyDispatch() = default;

  // The identifier of the wrapped engine's member whose name equals name without
  // regard to case, found by enumerating its members.
  bool FindIgnoringCase(LPCOLESTR name, DISPID* dispid);

  ComPtr<IDispatch> inner_;
  int32_t references_ = 1;
};
