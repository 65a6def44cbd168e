#pragma once
// Named points where a crash test may kill the process outright, to prove that what was written
// up to there survives. Without VARLO_TEST_KILL_AT in the environment every point is a no-op.

#include <string_view>

namespace varlo {

// Kills the process with SIGKILL when VARLO_TEST_KILL_AT names this point.
void KillPoint(std::string_view name);

}  // namespace varlo
