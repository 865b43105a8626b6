#include "TestEnvironment.h"

#include <vector>

namespace zarvo_test {
namespace {
std::vector<std::function<void()>>& steps() {
  static std::vector<std::function<void()>> list;
  return list;
}
}  // namespace

bool addModuleSetUp(std::function<void()> step) {
  steps().push_back(std::move(step));
  return true;
}

void runModuleSetUp() {
  for (const auto& step : steps()) step();
}

}  // namespace zarvo_test
