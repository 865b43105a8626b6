#pragma once

#include <QImage>
#include <QVariant>

class BlendingOptions;

// A shape's snapshot of the statuses under its mask, which tells whether the statuses under a
// patch changed since the engine last saw them. The mask is an 8-bit indexed image at working
// resolution whose offset is its place in the working image; non-zero pixels are inside. The
// engine's view of it is made from the mask when a command needs it. GUI thread.
class PixelState {
 public:
  virtual ~PixelState() = default;

  const QImage& mask() const { return mask_; }
  // The mask's rectangle in the working image; empty without a mask.
  QRect maskRect() const;
  // Takes `mask` (8-bit indexed, offset set; a null image removes the mask). The colour table is
  // extended to 9 entries when it has fewer.
  void setMask(const QImage& mask);
  bool isSaved() const { return saved_; }
  void setSaved(bool saved) { saved_ = saved; }
  const QVariant& optionsKey() const { return optionsKey_; }
  void setOptionsKey(const QVariant& key) { optionsKey_ = key; }
  // Forgets the mask, the saved flag and the options key.
  void clear();

  // Marks the snapshot saved and replaces every non-zero mask pixel by the class (low four
  // bits) of the status under it. `statusImage` is the working image's 8-bit status image;
  // mask pixels outside it keep their value. Without a mask it logs and changes nothing.
  void saveMask(const QImage& statusImage);
  // True when not saved, or when a non-zero mask pixel differs from the class under it.
  bool changed(const QImage& statusImage) const;
  // True when no options key is held or it differs from `options`' stored form.
  bool isStale(const BlendingOptions& options) const;
  // Where both masks are non-zero, this mask takes the other's value.
  void takeOverlap(const PixelState& other);

 private:
  QImage mask_;
  bool saved_ = false;
  QVariant optionsKey_;
};
