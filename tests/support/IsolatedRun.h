#pragma once

#include <string>

// Points the process, before any Qt object exists, at fresh folders of its own: settings
// (XDG_CONFIG_HOME), temporary files (TMPDIR) and the runtime folder (XDG_RUNTIME_DIR, mode
// 0700, so Qt has nothing to warn about), and, unless told otherwise, draws on the offscreen
// platform. A test, benchmark or demonstration run then never reads or writes the user's files,
// and two runs never see each other's. The folders go with the object: make it first in main,
// so the application object dies before it.
class IsolatedRun {
 public:
  // `kind` names the folder: /tmp/zarvo-<kind>-XXXXXX. A program for the eye keeps the display
  // (`offscreen` false).
  explicit IsolatedRun(const char* kind, bool offscreen = true);
  ~IsolatedRun();
  IsolatedRun(const IsolatedRun&) = delete;
  IsolatedRun& operator=(const IsolatedRun&) = delete;

  // False when no folder could be made: nothing was changed, and the run must not go on.
  bool ok() const { return !root_.empty(); }
  const std::string& root() const { return root_; }

 private:
  std::string root_;
};
