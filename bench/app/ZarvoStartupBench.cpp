// zarvo-startup: whole starts of the program, from spawning the test host ("startup" driver,
// offscreen, settings, log and program folder of its own, the web on a loopback port that
// refuses) until it exits: the start-up, the main window shown and idle, and the way out.
// Aimed at: under 1.5 s to an interactive main window.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Sandbox {
  std::string root;
  std::vector<std::string> environment;
};

Sandbox makeSandbox() {
  char folderTemplate[] = "/tmp/zarvo-startup-XXXXXX";
  Sandbox sandbox;
  if (const char* folder = mkdtemp(folderTemplate)) sandbox.root = folder;
  const std::string& root = sandbox.root;
  for (const char* sub : {"/config", "/system", "/tmp", "/app", "/runtime"})
    mkdir((root + sub).c_str(), 0700);
  const char* keep[] = {"PATH", "HOME", "LD_LIBRARY_PATH", "ASAN_OPTIONS"};
  for (const char* name : keep) {
    if (const char* value = std::getenv(name))
      sandbox.environment.push_back(std::string(name) + "=" + value);
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

// One start; the exit status, or -1.
int startOnce(const Sandbox& sandbox) {
  std::vector<char*> environment;
  for (const std::string& entry : sandbox.environment)
    environment.push_back(const_cast<char*>(entry.c_str()));
  environment.push_back(nullptr);
  char program[] = ZARVO_TESTHOST;
  char driver[] = "startup";
  char* argv[] = {program, driver, nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program, &actions, nullptr, argv, environment.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void ZarvoStartup(benchmark::State& state) {
  const Sandbox sandbox = makeSandbox();
  startOnce(sandbox);  // the first start on a "machine" makes its identifiers and folders
  for (auto _ : state) {
    if (startOnce(sandbox) != 0) {
      state.SkipWithError("the test host did not end normally");
      break;
    }
  }
  state.counters["starts_per_s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  std::system(("rm -rf '" + sandbox.root + "'").c_str());
}

}  // namespace

BENCHMARK(ZarvoStartup)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK_MAIN();
