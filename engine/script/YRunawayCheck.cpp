#include "script/YRunawayCheck.h"

#include "automation/Clock.h"
#include "automation/YAutomationError.h"
#include "script/YPageStop.h"

namespace {

HRESULT Fail(EXCEPINFO* excepInfo, HRESULT code, const wchar_t* source, const wchar_t* description) {
  if (!excepInfo) return code;
  *excepInfo = EXCEPINFO{};
  excepInfo->scode = code;
  excepInfo->bstrSource = source ? SysAllocString(source) : nullptr;
  excepInfo->bstrDescription = description ? SysAllocString(description) : nullptr;
  return DISP_E_EXCEPTION;
}

}  // namespace

// GCC takes the read of the thread block through the gs segment for an access to an
// empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
__attribute__((noinline)) size_t YRunawayCheck::StackInUse() {
  const auto* tib = reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
  const char* here = static_cast<const char*>(__builtin_frame_address(0));
  return static_cast<size_t>(static_cast<const char*>(tib->StackBase) - here);
}
#pragma GCC diagnostic pop

HRESULT YRunawayCheck::Check(DISPID dispid, EXCEPINFO* excepInfo) {
  if (dispid == kProcEntry && StackInUse() > kMaxScriptStackBytes) {
    return Fail(excepInfo, CTL_E_OUTOFSTACKSPACE, L"Script runtime error", L"Out of stack space");
  }
  if (!stop_) return S_OK;
  // The deadline is in whole seconds: loop turns read the clock at the first call and
  // then once every kClockInterval calls; procedure entries, which are rarer, always.
  const bool readClock = dispid == kProcEntry || (calls_++ % kClockInterval) == 0;
  if (stop_->timedOut.load(std::memory_order_relaxed) ||
      (readClock && stop_->deadline.load(std::memory_order_relaxed) < SecondsSince1970())) {
    return Fail(excepInfo, kScriptTimedOut, L"Script timeout", kScriptTimedOutText);
  }
  if (stop_->aborted.load(std::memory_order_relaxed)) return Fail(excepInfo, E_ABORT, nullptr, nullptr);
  return S_OK;
}

STDMETHODIMP YRunawayCheck::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) YRunawayCheck::AddRef() { return static_cast<ULONG>(++references_); }

STDMETHODIMP_(ULONG) YRunawayCheck::Release() {
  int32_t references = --references_;
  if (references == 0) delete this;
  return static_cast<ULONG>(references);
}

STDMETHODIMP YRunawayCheck::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP YRunawayCheck::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP YRunawayCheck::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* dispids) {
  if (!names || !dispids) return E_POINTER;
  if (count == 0) return S_OK;
  for (UINT i = 0; i < count; ++i) dispids[i] = DISPID_UNKNOWN;
  // The engines look every global name up here: most are not ours.
  if (!names[0] || (names[0][0] != L'O' && names[0][0] != L'o')) return DISP_E_UNKNOWNNAME;
  if (CompareStringOrdinal(names[0], -1, L"OrvaneLoopTurn", -1, TRUE) == CSTR_EQUAL) {
    dispids[0] = kLoopTurn;
  } else if (CompareStringOrdinal(names[0], -1, L"OrvaneProcEntry", -1, TRUE) == CSTR_EQUAL) {
    dispids[0] = kProcEntry;
  } else {
    return DISP_E_UNKNOWNNAME;
  }
  return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // the members take no named arguments
}

STDMETHODIMP YRunawayCheck::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* excepInfo, UINT*) {
  if (dispid != kLoopTurn && dispid != kProcEntry) return DISP_E_MEMBERNOTFOUND;
  if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) return DISP_E_MEMBERNOTFOUND;
  if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
  HRESULT hr = Check(dispid, excepInfo);
  if (hr != S_OK) return hr;
  if (result) {
    VariantInit(result);
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = VARIANT_TRUE;
  }
  return S_OK;
}
