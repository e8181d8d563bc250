// Calls IDispatch::Invoke the way the script engines do: arguments in call order are
// stored reversed; a property put names its value DISPID_PROPERTYPUT.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "automation/ScopedVariant.h"

struct DispatchOutcome {
  HRESULT hr = S_OK;
  ScopedVariant result;
  EXCEPINFO excepInfo{};
  UINT argErr = static_cast<UINT>(-1);

  DispatchOutcome() = default;
  DispatchOutcome(DispatchOutcome&&) = default;
  ~DispatchOutcome();
  std::wstring Text() const;  // the result converted to text
};

// args in call order; for a put the value is the last one.
DispatchOutcome InvokeDispatch(IDispatch* object, DISPID dispid, WORD flags, std::vector<ScopedVariant> args);
DISPID DispidOf(IDispatch* object, const wchar_t* name);

// Arguments for InvokeDispatch, in call order.
template <class... A>
std::vector<ScopedVariant> Args(A&&... args) {
  std::vector<ScopedVariant> list;
  (list.push_back(std::forward<A>(args)), ...);
  return list;
}

ScopedVariant Str(const wchar_t* text);
ScopedVariant I2(SHORT value);
