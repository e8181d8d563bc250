#include "host/RequestProfile.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int64_t kReportEvery = 1000;
constexpr int kPhases = static_cast<int>(YRequestPhase::kCount);

std::atomic<int64_t> g_ticks[kPhases];
std::atomic<int64_t> g_requests{0};

int64_t Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

}  // namespace

bool RequestProfilingEnabled() {
  static const bool enabled = std::getenv("VELLUM_PROFILE") != nullptr;
  return enabled;
}

YPhaseTimer::YPhaseTimer(YRequestPhase phase) : phase_(phase) {
  if (RequestProfilingEnabled()) start_ = Now();
}

YPhaseTimer::~YPhaseTimer() {
  if (start_) g_ticks[static_cast<int>(phase_)] += Now() - start_;
}

void CountProfiledRequest() {
  if (!RequestProfilingEnabled()) return;
  int64_t count = ++g_requests;
  if (count % kReportEvery != 0) return;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  auto microseconds = [&](YRequestPhase phase) {
    return static_cast<double>(g_ticks[static_cast<int>(phase)].exchange(0)) * 1e6 /
           static_cast<double>(frequency.QuadPart) / kReportEvery;
  };
  double compile = microseconds(YRequestPhase::kCompile);
  double cached = microseconds(YRequestPhase::kCacheHit);
  double start = microseconds(YRequestPhase::kEngineStart);
  double parse = microseconds(YRequestPhase::kParse);
  double run = microseconds(YRequestPhase::kScriptRun);
  double total = microseconds(YRequestPhase::kTotal);
  std::fprintf(stderr,
               "vellum profile: %lld requests, us/request: compile %.1f, kept page %.1f, engine start %.1f, "
               "parse %.1f, script run %.1f, rest %.1f, total %.1f\n",
               static_cast<long long>(count), compile, cached, start, parse, run - parse,
               total - compile - cached - start - run, total);
}
