// YPageStop: what the runaway checks of a running page look at. The page's own thread
// sets aborted when the page stops itself (Response.End, Redirect, Server.Transfer);
// the time-out sweep sets timedOut from its thread; the deadline moves with
// Server.ScriptTimeout. Plain atomics: the checks read them at every loop turn.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>

struct YPageStop {
  std::atomic<bool> aborted{false};
  std::atomic<bool> timedOut{false};
  // Seconds since 1970; the page is overdue once the clock has passed it.
  std::atomic<int64_t> deadline{std::numeric_limits<int64_t>::max()};
};
