// CVBScriptFunctions: the host's own versions of VBScript built-ins that Wine's engine
// gets wrong in ways a page must not see: TypeName kills the process on an empty object
// reference (a null read in Wine's TypeName), and UBound/LBound refuse byte arrays
// (Request.BinaryRead) with 445. The script guard renames such calls in the program
// (TypeName(x) becomes <prefix>TypeName(x)); this object, given to the engine as a
// global-members item, answers those names.
//
// They answer as the platform's built-ins do: TypeName names every variant type
// ("Nothing" for an empty object reference, the type-information name of an object,
// "Byte()" for a byte array); UBound/LBound take any array and an optional 1-based
// dimension, failing with 13 (type mismatch) for a value that is not an array and 9
// (subscript out of range) for a dimension it does not have. The guard also passes the
// source of every For Each through EachOf: Wine's engine kills the process on For Each
// over Nothing.
#pragma once

#include <string>
#include <string_view>

#include "automation/CCmdTarget.h"

// The name of the global-members item that carries the functions.
inline constexpr wchar_t kVBScriptFunctionsItem[] = L"OrvaneVBScriptFunctions";

// VBScript run-time errors, as the engine reports them.
inline constexpr HRESULT kVBScriptSubscriptOutOfRange = static_cast<HRESULT>(0x800A0009);
inline constexpr HRESULT kVBScriptTypeMismatch = static_cast<HRESULT>(0x800A000D);
inline constexpr HRESULT kVBScriptObjectRequired = static_cast<HRESULT>(0x800A01A8);
inline constexpr HRESULT kVBScriptWrongArgumentCount = static_cast<HRESULT>(0x800A01C2);

class CVBScriptFunctions : public CCmdTarget {
 public:
  // Members are found under prefix + name, ignoring case.
  explicit CVBScriptFunctions(std::wstring prefix) : prefix_(std::move(prefix)) {}

  void SetPrefix(std::wstring prefix) { prefix_ = std::move(prefix); }

  // Script members.
  ScopedVariant TypeName(const VARIANT& value);
  LONG UBound(const VARIANT& array, const VARIANT& dimension);
  LONG LBound(const VARIANT& array, const VARIANT& dimension);
  // The source of a For Each, handed back as it is; an empty object reference fails
  // with 424 (object required) instead of reaching Wine's engine.
  ScopedVariant EachOf(const VARIANT& source);

 protected:
  ~CVBScriptFunctions() override = default;
  const YDispatchMap& GetDispatchMap() const override;
  bool FindMemberId(std::wstring_view name, DISPID* dispid) override;

 private:
  std::wstring prefix_;
};

// TypeName's answer for a value (references followed).
std::wstring VBScriptTypeName(const VARIANT& value);
