#include "engine/LiveHandles.h"

#include <mutex>
#include <unordered_map>

namespace corvane {
namespace {

struct LiveEntry {
  LiveKind kind;
  void* object;
};

struct LiveTable {
  std::mutex mutex;
  std::unordered_map<const void*, LiveEntry> entries;
};

// Built on first use and never destroyed, so objects that outlive static destruction (or are
// made during static initialisation) still find it.
LiveTable& table() {
  static LiveTable* t = new LiveTable;
  return *t;
}

}  // namespace

void enterLive(const void* handle, LiveKind kind, void* object) {
  LiveTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.entries[handle] = LiveEntry{kind, object};
}

void leaveLive(const void* handle) noexcept {
  LiveTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.entries.erase(handle);
}

void* findLive(const void* handle, LiveKind kind) noexcept {
  if (!handle) return nullptr;
  LiveTable& t = table();
  std::lock_guard<std::mutex> lock(t.mutex);
  auto it = t.entries.find(handle);
  if (it == t.entries.end() || it->second.kind != kind) return nullptr;
  return it->second.object;
}

}  // namespace corvane
