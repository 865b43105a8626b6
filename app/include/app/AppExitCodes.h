#pragma once

// Exit codes of the process beside the event loop's own result.
constexpr int kExitOutOfMemory = 11;  // std::bad_alloc out of start-up, the loop or shutdown
constexpr int kExitException = 12;    // any other exception
constexpr int kExitCrash = 255;       // after a crash report: -1 as an 8-bit exit status
