#pragma once

#include <functional>

namespace zarvo_test {

// Serves this thread's events (deferred deletions included) until `done` holds or `timeoutMs`
// has passed, and answers the final value of `done`. The one wait of the tests: the time-out is
// a safety stop for a test that would hang, never a timing check.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 60000);

// How long a test waits for a program it runs to end or to say what it waits for, in ms: half
// the test's own limit (tests/CMakeLists.txt), so that the test, not CTest, stops a hung one and
// tells what it said.
int childLimitMs();

}  // namespace zarvo_test
