// YRunawayCheck: the object behind the global-members named item that the runaway
// checks inserted into a program call (see LoopCheckInsertion). Each loop turn calls
// OrvaneLoopTurn, each procedure entry OrvaneProcEntry:
//  - a page past its deadline, or one the time-out sweep marked, fails with the
//    time-out error, which becomes the page's report;
//  - a page that stopped itself (Response.End and the like) is stopped again with
//    E_ABORT, whose report the engine's aborted flag drops;
//  - a procedure entered with more than kMaxScriptStackBytes of the thread's stack in
//    use fails with "Out of stack space" (error 28), well before a recursion without
//    end would overflow a 1 MB worker stack and take the thread with it.
// Both members answer true (JScript uses the answer in loop conditions).
//
// A plain IDispatch rather than a command target with a dispatch map: it is called at
// every loop turn, where the shared Invoke's checking would cost more than the check
// itself (bench/loopcheck.sh). A non-atomic count that starts at 1: it lives on the
// thread that runs its page; only the stop state it reads is shared.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstddef>
#include <cstdint>

struct YPageStop;

// The named item whose members the inserted checks call.
inline constexpr wchar_t kRunawayCheckItem[] = L"OrvaneRunawayCheck";
// Stack a script may use before a procedure call fails: half a worker's 1 MB stack.
inline constexpr size_t kMaxScriptStackBytes = 512 * 1024;
// The error of a page past its deadline.
inline constexpr HRESULT kScriptTimedOut = static_cast<HRESULT>(0x800705B4);  // ERROR_TIMEOUT
inline constexpr wchar_t kScriptTimedOutText[] =
    L"Script timed out: the page ran past its time limit (Server.ScriptTimeout) and was stopped";

class YRunawayCheck final : public IDispatch {
 public:
  enum : DISPID { kLoopTurn = 1, kProcEntry = 2 };

  // stop may be null: then only the stack is checked.
  explicit YRunawayCheck(const YPageStop* stop) : stop_(stop) {}
  YRunawayCheck(const YRunawayCheck&) = delete;
  YRunawayCheck& operator=(const YRunawayCheck&) = delete;

  // Forgets the page: from now on only the stack is checked.
  void Detach() { stop_ = nullptr; }

  // Bytes of the calling thread's stack in use.
  static size_t StackInUse();

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* dispids) override;
  STDMETHODIMP Invoke(DISPID dispid, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* excepInfo, UINT* argErr) override;

 private:
  ~YRunawayCheck() = default;

  // S_OK to go on, else DISP_E_EXCEPTION with excepInfo filled in.
  HRESULT Check(DISPID dispid, EXCEPINFO* excepInfo);

  // Calls between two readings of the clock: well under a millisecond of looping.
  static constexpr uint32_t kClockInterval = 256;

  const YPageStop* stop_;
  uint32_t calls_ = 0;
  int32_t references_ = 1;
};
