// CNamedItemProbe: finds out whether the scripting engines of one class can call a
// named item's default member with arguments (Request("x"), Session("k") = 5). Some
// engines fail such calls before they reach the object; CScriptEngine then hands its
// named items to the engine as members of one global-members item (CNamedItemMembers).
//
// The probe runs once per engine class per process: a private engine of that class
// gets the probe as a named item and runs one call with an argument; the answer is
// whether the call arrived. The engine is created, used and closed on the calling
// thread.
#pragma once

#include <windows.h>
#include <activscp.h>

#include "automation/CCmdTarget.h"

class CNamedItemProbe : public CCmdTarget {
 public:
  // The cached answer for classId, probing on first use. An engine that cannot be
  // created or run counts as one that cannot make the call.
  static bool EngineCallsNamedItemsWithArguments(const CLSID& classId);

  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* dispids) override;
  HRESULT Invoke(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                 UINT* argErr) override;

 protected:
  std::span<const YInterfaceEntry> GetInterfaceMap() const override;

 private:
  CNamedItemProbe() = default;
  ~CNamedItemProbe() override = default;

  bool Run(const CLSID& classId);

  class XActiveScriptSite : public YNestedInterface<IActiveScriptSite> {
   public:
    using YNestedInterface::YNestedInterface;
    STDMETHODIMP GetLCID(LCID* lcid) override;
    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** unknown, ITypeInfo** typeInfo) override;
    STDMETHODIMP GetDocVersionString(BSTR* version) override;
    STDMETHODIMP OnScriptTerminate(const VARIANT* result, const EXCEPINFO* excepInfo) override;
    STDMETHODIMP OnStateChange(SCRIPTSTATE state) override;
    STDMETHODIMP OnScriptError(IActiveScriptError* error) override;
    STDMETHODIMP OnEnterScript() override;
    STDMETHODIMP OnLeaveScript() override;

   private:
    CNamedItemProbe* self() const { return static_cast<CNamedItemProbe*>(owner()); }
  };

  bool reached_ = false;
  XActiveScriptSite site_{this};
};
