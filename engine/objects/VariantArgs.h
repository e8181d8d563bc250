// Conversions of script arguments that members apply themselves (VARIANT parameters):
// the automation rules of VariantChangeType, failing with the conversion's HRESULT as
// an automation error.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

// An argument the script left out arrives as VT_ERROR.
inline bool IsOmitted(const VARIANT& value) { return V_VT(&value) == VT_ERROR; }

// The argument as text, narrow in the thread's ANSI code page.
std::string VariantToNarrow(const VARIANT& value);
// The argument as a 4-byte integer.
LONG VariantToLong(const VARIANT& value);
