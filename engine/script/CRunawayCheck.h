// CRunawayCheck: the object behind the global-members named item that the runaway
// checks inserted into a program call (see LoopCheckInsertion). Each loop turn asks
// OrvaneLoopTurn, each procedure entry OrvaneProcEntry:
//  - a page that stopped itself (Response.End and the like) is stopped again with
//    E_ABORT, whose report the engine's aborted flag drops;
//  - a page past its deadline, or one the time-out sweep marked, fails with the
//    time-out error, which becomes the page's report;
//  - a procedure entered with more than kMaxScriptStackBytes of the thread's stack in
//    use fails with "Out of stack space" (error 28), well before a recursion without
//    end would overflow a 1 MB worker stack and take the thread with it.
#pragma once

#include <windows.h>

#include <cstddef>

#include "automation/CCmdTarget.h"

struct YPageStop;

// The named item whose members the inserted checks call.
inline constexpr wchar_t kRunawayCheckItem[] = L"OrvaneRunawayCheck";
// Stack a script may use before a procedure call fails: half a worker's 1 MB stack.
inline constexpr size_t kMaxScriptStackBytes = 512 * 1024;
// The script-visible errors of the checks.
inline constexpr HRESULT kScriptTimedOut = static_cast<HRESULT>(0x800705B4);  // ERROR_TIMEOUT
inline constexpr wchar_t kScriptTimedOutText[] =
    L"Script timed out: the page ran past its time limit (Server.ScriptTimeout) and was stopped";

class CRunawayCheck : public CCmdTarget {
 public:
  // stop may be null: then only the stack is checked.
  explicit CRunawayCheck(const YPageStop* stop) : stop_(stop) {}

  // Forgets the page: from now on only the stack is checked.
  void Detach() { stop_ = nullptr; }

  // Script members, in the order of the dispatch map.
  bool LoopTurn();
  bool ProcEntry();

  // Bytes of the calling thread's stack in use.
  static size_t StackInUse();

 protected:
  ~CRunawayCheck() override = default;
  const YDispatchMap& GetDispatchMap() const override;

 private:
  void CheckStop() const;

  const YPageStop* stop_;
};
