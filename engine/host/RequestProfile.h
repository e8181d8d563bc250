// Where the time of a request goes, for the page benchmark: compile (or the kept
// compiled page's checks), engine start, parse, script run and the rest of
// HttpExtensionProc. Off unless VELLUM_PROFILE is set in the
// environment; then every kReportEvery requests one line of averages goes to standard
// error. Costs one flag test per phase when off.
#pragma once

#include <cstdint>

// kParse is counted inside kScriptRun and reported apart from it.
enum class YRequestPhase { kCompile, kCacheHit, kEngineStart, kParse, kScriptRun, kTotal, kCount };

class YPhaseTimer {
 public:
  explicit YPhaseTimer(YRequestPhase phase);
  ~YPhaseTimer();
  YPhaseTimer(const YPhaseTimer&) = delete;
  YPhaseTimer& operator=(const YPhaseTimer&) = delete;

 private:
  YRequestPhase phase_;
  int64_t start_ = 0;
};

// Counts a finished request (and reports every kReportEvery of them).
void CountProfiledRequest();
bool RequestProfilingEnabled();
