#include "script/CRunawayCheck.h"

#include "automation/Clock.h"
#include "automation/YAutomationError.h"
#include "script/YPageStop.h"

const YDispatchMap& CRunawayCheck::GetDispatchMap() const {
  static constexpr YDispatchEntry kEntries[] = {
      DispMethod<&CRunawayCheck::LoopTurn>("OrvaneLoopTurn"),
      DispMethod<&CRunawayCheck::ProcEntry>("OrvaneProcEntry"),
  };
  static constexpr YDispatchMap kMap(kEntries);
  return kMap;
}

// GCC takes the read of the thread block through the gs segment for an access to an
// empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
__attribute__((noinline)) size_t CRunawayCheck::StackInUse() {
  const auto* tib = reinterpret_cast<const NT_TIB*>(NtCurrentTeb());
  const char* here = static_cast<const char*>(__builtin_frame_address(0));
  return static_cast<size_t>(static_cast<const char*>(tib->StackBase) - here);
}
#pragma GCC diagnostic pop

void CRunawayCheck::CheckStop() const {
  if (!stop_) return;
  if (stop_->aborted.load(std::memory_order_relaxed)) throw YAutomationError(E_ABORT);
  if (stop_->timedOut.load(std::memory_order_relaxed) ||
      stop_->deadline.load(std::memory_order_relaxed) < SecondsSince1970()) {
    throw YAutomationError(kScriptTimedOut, kScriptTimedOutText, L"Script timeout");
  }
}

bool CRunawayCheck::LoopTurn() {
  CheckStop();
  return true;
}

bool CRunawayCheck::ProcEntry() {
  if (StackInUse() > kMaxScriptStackBytes) {
    throw YAutomationError(CTL_E_OUTOFSTACKSPACE, L"Out of stack space", L"Script runtime error");
  }
  CheckStop();
  return true;
}
