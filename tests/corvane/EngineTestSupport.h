#pragma once

// What the engine tests share: progress receivers, host progress callbacks, and the check that
// a parallel stage gives the same result for any number of workers.

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kestrum/utility/IiUI.h"
#include "util/ProcessorCount.h"
#include "util/CvExCancel.h"

namespace enginetest {

// Keeps every report in order. Stops the operation at report number `cancelAt` (1-based; 0
// never) or at the first report whose label contains `cancelAtLabel` (empty: never), with the
// cancel exception, or with a plain failure when `fail` is set.
struct ProgressRecorder : kestrum::utility::IiUI {
  struct Report {
    float fraction;
    std::string label;
    bool operator==(const Report& o) const { return fraction == o.fraction && label == o.label; }
  };

  explicit ProgressRecorder(size_t cancelAt = 0, std::string cancelAtLabel = std::string())
      : cancelAt(cancelAt), cancelAtLabel(std::move(cancelAtLabel)) {}

  void progress(float fraction, const std::string& label) override {
    reports.push_back({fraction, label});
    const bool stop = reports.size() == cancelAt ||
                      (!cancelAtLabel.empty() && label.find(cancelAtLabel) != std::string::npos);
    if (!stop) return;
    if (fail) throw std::runtime_error("receiver failed");
    throw CvExCancel();
  }

  std::vector<float> fractions() const {
    std::vector<float> all;
    for (const Report& r : reports) all.push_back(r.fraction);
    return all;
  }
  bool saw(float fraction) const {
    for (const Report& r : reports)
      if (r.fraction == fraction) return true;
    return false;
  }

  size_t cancelAt;
  std::string cancelAtLabel;
  bool fail = false;
  std::vector<Report> reports;
};

// The host's progress callback (pass the object as the context): keeps every percentage and
// answers 2 ("stop") at call number `stopAt` (1-based; 0 never), and with `keepStopping` at
// every call after it too.
struct HostProgress {
  std::vector<int> percents;
  int stopAt = 0;
  bool keepStopping = false;

  static int32_t callback(uint8_t percent, void* context) {
    auto* host = static_cast<HostProgress*>(context);
    host->percents.push_back(percent);
    const int call = static_cast<int>(host->percents.size());
    const bool stop =
        host->stopAt != 0 && (call == host->stopAt || (host->keepStopping && call > host->stopAt));
    return stop ? 2 : 0;
  }
};

// Expects `result()` to give with 2, 3 and 8 workers what it gives with one; answers that.
template <class Run>
auto expectSameForEveryWorkerCount(Run&& result) -> decltype(result()) {
  corvane::setProcessorCountOverride(1);
  const auto expected = result();
  for (unsigned workers : {2u, 3u, 8u}) {
    corvane::setProcessorCountOverride(workers);
    EXPECT_TRUE(result() == expected) << workers << " workers";
  }
  corvane::setProcessorCountOverride(0);
  return expected;
}

}  // namespace enginetest
