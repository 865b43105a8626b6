#pragma once

#include <functional>

namespace zarvo_test {

// Serves this thread's events (deferred deletions included) until `done` holds or `timeoutMs`
// has passed, and answers the final value of `done`. The one wait of the tests: the time-out is
// a safety stop for a test that would hang, never a timing check.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 60000);

}  // namespace zarvo_test
