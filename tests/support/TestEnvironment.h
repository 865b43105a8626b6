#pragma once

#include <functional>

// What a test module needs done once, after the application object exists and before the first
// test (meta-type registration, say). A module registers it from a static initialiser:
//   static const bool registered = zarvo_test::addModuleSetUp([] { registerDocumentMetaTypes(); });
namespace zarvo_test {

bool addModuleSetUp(std::function<void()> step);
void runModuleSetUp();

}  // namespace zarvo_test
