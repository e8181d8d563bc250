// CTestItemObject: a script-visible object for the script host tests, shaped like the
// intrinsic objects: a default member Item(key) that reads and writes values by key
// (as Request("x") and Session("k") = v do), a counter, and a member that fails with
// an automation error of the caller's choosing.
#pragma once

#include <map>
#include <string>

#include "automation/CCmdTarget.h"
#include "automation/ScopedVariant.h"

class CTestItemObject : public CCmdTarget {
 public:
  CTestItemObject() = default;

  std::map<std::wstring, ScopedVariant> values;  // by the key's text, case-sensitive
  LONG bumps = 0;
  LONG lastPutFlags = 0;  // DISPATCH_PROPERTYPUT or DISPATCH_PROPERTYPUTREF of the last put

  HRESULT Invoke(DISPID dispid, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                 UINT* argErr) override;

 protected:
  ~CTestItemObject() override = default;
  const YDispatchMap& GetDispatchMap() const override;

 private:
  ScopedVariant GetItem(const VARIANT& key);
  void SetItem(const VARIANT& key, const VARIANT& value);
  void Bump() { ++bumps; }
  LONG GetBumps() { return bumps; }
  void Fail(LONG code);
};
