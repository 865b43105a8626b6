#pragma once

// Whole runs of a program for the shell's process benchmarks: a sandbox of its own (settings,
// system settings, temporary and runtime folders, program folder) on the offscreen platform with
// the web on a loopback port that refuses, and a spawn that waits for the end.

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

extern char** environ;

struct BenchSandbox {
  std::string root;
  std::vector<std::string> environment;
};

inline BenchSandbox makeBenchSandbox(const char* name) {
  std::string folderTemplate = std::string("/tmp/") + name + "-XXXXXX";
  BenchSandbox sandbox;
  if (const char* folder = mkdtemp(folderTemplate.data())) sandbox.root = folder;
  const std::string& root = sandbox.root;
  for (const char* sub : {"/config", "/system", "/tmp", "/app", "/runtime"})
    mkdir((root + sub).c_str(), 0700);
  const char* keep[] = {"PATH", "HOME", "LD_LIBRARY_PATH", "ASAN_OPTIONS"};
  for (const char* variable : keep) {
    if (const char* value = std::getenv(variable))
      sandbox.environment.push_back(std::string(variable) + "=" + value);
  }
  sandbox.environment.push_back("XDG_CONFIG_HOME=" + root + "/config");
  sandbox.environment.push_back("XDG_CONFIG_DIRS=" + root + "/system");
  sandbox.environment.push_back("TMPDIR=" + root + "/tmp");
  sandbox.environment.push_back("XDG_RUNTIME_DIR=" + root + "/runtime");
  sandbox.environment.push_back("ZARVO_TESTHOST_APP_DIR=" + root + "/app");
  sandbox.environment.push_back("QT_QPA_PLATFORM=offscreen");
  sandbox.environment.push_back("LANG=en_US.UTF-8");
  sandbox.environment.push_back("http_proxy=http://127.0.0.1:9");
  return sandbox;
}

inline void removeBenchSandbox(const BenchSandbox& sandbox) {
  if (!sandbox.root.empty()) std::system(("rm -rf '" + sandbox.root + "'").c_str());
}

// Runs `arguments` (the program first) in the sandbox, its output to /dev/null; the exit
// status, or -1.
inline int runInSandbox(const BenchSandbox& sandbox, std::vector<std::string> arguments) {
  std::vector<char*> environment;
  for (const std::string& entry : sandbox.environment)
    environment.push_back(const_cast<char*>(entry.c_str()));
  environment.push_back(nullptr);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned =
      posix_spawn(&child, argv.front(), &actions, nullptr, argv.data(), environment.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The 12-megapixel sample that `drawer` (corvane-sample) draws into the sandbox: its photo's
// path; empty, the benchmark skipped with the reason, when it drew none.
inline std::string drawSampleInSandbox(const BenchSandbox& sandbox, const char* drawer,
                                       benchmark::State& state) {
  const std::string folder = sandbox.root + "/sample";
  if (runInSandbox(sandbox, {drawer, folder}) == 0) return folder + "/sample-photo.png";
  state.SkipWithError("corvane-sample did not draw the sample");
  return std::string();
}
