#pragma once

// Thrown out of a progress report when the host asked the engine to stop. Deliberately not
// derived from std::exception: every catch site names it, so no generic handler can
// swallow a cancel by accident.
struct CvExCancel {};
