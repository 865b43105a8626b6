#pragma once

#include <vector>

#include "document/HighlightThread.h"
#include "kestrum/qt/ColourSpace.h"

// Highlights the pixels whose value on one colour channel is selected.
class Set1DThread : public HighlightThread {
 public:
  explicit Set1DThread(QObject* parent = nullptr);

  // Set by the owner between runs: one entry for each channel value 0..255 (missing entries
  // are unselected), and the channel.
  void setSelection(const std::vector<bool>& selection);
  void setChannel(kestrum::colour::channel channel) { channel_ = channel; }

 protected:
  // One pixel loop for each channel; a value that names no channel writes nothing.
  void process() override;

 private:
  std::vector<bool> selection_;
  kestrum::colour::channel channel_ = kestrum::colour::Hue;
};
