// The command line from hostile bytes: arguments split at NUL bytes (the first is the program's
// name), through the mode choice and the About test. Every command line must choose a mode.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppMain.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments(1);
  for (size_t i = 0; i < size && arguments.size() < 64; ++i) {
    if (data[i] == 0) {
      arguments.emplace_back();
    } else {
      arguments.back().push_back(char(data[i]));
    }
  }
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const int argc = int(arguments.size());
  const int mode = modeFromCommandLine(argc, argv.data());
  if (mode < 0 || mode > 4 || mode == 1) std::abort();
  if (isAboutCommandLine(argc, argv.data()) && mode != 0) std::abort();
  return 0;
}
