#include "document/GmStatusArray.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "document/BlendingStuff.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdClearUndoRedo.h"
#include "document/CvCmdSelect.h"
#include "document/CvCmdSetStatus.h"
#include "document/DocumentUiHooks.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/Shape.h"
#include "document/TsSourceImage.h"
#include "document/UserColours.h"

namespace {

// The colour at mask opacity f (0..1), lifted towards opaque by `a`: hue and value kept,
// saturation times the square root of the resulting opacity k, alpha k.
QRgb fade(const QColor& colour, double a) {
  const double f = std::clamp(documentUiHooks().maskOpacity(), 0.0, 1.0);
  const double k = (1 - a) * f + a;
  QColor hsv = colour.toHsv();
  int hue = 0, saturation = 0, value = 0;
  hsv.getHsv(&hue, &saturation, &value);
  hsv.setHsv(hue, int(std::lround(saturation * std::sqrt(k))), value, int(std::lround(255 * k)));
  return hsv.rgba();
}

// The last display revision handed out, by any array (GUI thread).
quint64 lastDisplayRevision = 0;
// Partial display changes an array remembers for the views.
constexpr size_t kRememberedChanges = 16;

// Columns per block of the statuses-present table: a change is read again in whole blocks.
constexpr int kPresentBlock = 128;

QColor userColour(UserColours::Colour which) {
  return UserColours::instance()->colour(which)->color();
}

// Visits the status bytes under the non-zero pixels of `mask` (8-bit, offset at its place).
template <class Visit>
void underMask(CvImage* image, const QImage& mask, Visit visit) {
  if (!image || !image->data || mask.isNull() || mask.depth() != 8) return;
  const QRect area =
      QRect(mask.offset(), mask.size()) & QRect(0, 0, int(image->width), int(image->height));
  auto* statuses = static_cast<uint8_t*>(image->data);
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const uchar* inside = mask.constScanLine(y - mask.offset().y()) - mask.offset().x();
    uint8_t* row = statuses + size_t(y) * image->stride;
    for (int x = area.left(); x <= area.right(); ++x)
      if (inside[x]) visit(row[x]);
  }
}

}  // namespace

GmStatusArray::GmStatusArray(GmModel* model) : QObject(model), model_(model) {
  connect(&set1D_, &QThread::finished, this, &GmStatusArray::threadFinished);
  connect(&set2D_, &QThread::finished, this, &GmStatusArray::threadFinished);
}

GmStatusArray::~GmStatusArray() {
  stopHighlighting();
}

void GmStatusArray::followUserColours() {
  // Not at construction: a document without statuses (a file being checked) reads no colours
  // from the settings store.
  if (followingColours_) return;
  followingColours_ = true;
  UserColours* colours = UserColours::instance();
  for (UserColours::Colour which : {UserColours::KeepMask, UserColours::DeleteMask,
                                    UserColours::BlendMask, UserColours::PatchProtection})
    connect(colours->colour(which), &GmColor::colorChanged, this, &GmStatusArray::setColours);
  GmColor* highlight = colours->colour(UserColours::ColorWorkspaceHighlight);
  highlightColour_ = highlight->color();
  connect(highlight, &GmColor::colorChanged, this, &GmStatusArray::highlightColourChanged);
}

void GmStatusArray::setStatusImage(CvImage* image) {
  if (statusesPresent_ != CvStatusOutside) {
    statusesPresent_ = CvStatusOutside;
    emit statusesPresentChanged(statusesPresent_);
  }
  // The threads read the status image: none may run over one being let go of or replaced.
  stopHighlighting();
  lastRun_ = HighlightRun::None;
  runWorking_ = QImage();
  runMask_ = QImage();
  blockPresent_.clear();
  ownWrites_ = QRect();
  engineImage_ = image && image->data ? image : nullptr;
  if (!engineImage_) {
    statusImage_ = QImage();
    displayImage_ = QImage();
    highlightImage_ = QImage();
    return;
  }
  followUserColours();
  highlightImage_ =
      QImage(int(engineImage_->width), int(engineImage_->height), QImage::Format_Mono);
  highlightImage_.setColorTable({qRgba(255, 255, 255, 0), qRgba(0, 0, 0, 0)});
  highlightImage_.fill(0);
  setColours();
  // Every pixel of the picture starts kept, and the history starts empty.
  auto* start = new CvCmdSelect(model_, nullptr, CvStatusClassMask, CvStatusKeep);
  start->setUserChange(false);
  CorvaneThread::submitToInstance(start, CorvaneThread::Uncancellable);
  CorvaneThread::submitToInstance(new CvCmdClearUndoRedo(model_));
  if (!pendingStatus_.isNull()) sendPendingStatus();
  updateStatusesPresent();
}

void GmStatusArray::setPendingStatus(const QImage& statuses) {
  pendingStatus_ = statuses;
}

void GmStatusArray::sendPendingStatus() {
  const QImage statuses = pendingStatus_.copy();
  pendingStatus_ = QImage();
  CorvaneThread::submitToInstance(new CvCmdSetStatus(model_, statuses));
}

void GmStatusArray::updateStatusesPresent() {
  if (!engineImage_) {
    blockPresent_.clear();
    reportStatuses(0, nullptr);
    return;
  }
  ownWrites_ = QRect();
  readBlocks(QRect(0, 0, int(engineImage_->width), int(engineImage_->height)));
  reportStatuses(foldBlocks(), nullptr);
}

void GmStatusArray::updateStatusesPresent(const QRect& changed) {
  // Outside `changed` the engine wrote nothing since the last refresh, so the table and the
  // display copy still hold what it would read there. Without both (no refresh since the
  // image came, a copy of another size) everything is read.
  const QRect image =
      engineImage_ ? QRect(0, 0, int(engineImage_->width), int(engineImage_->height)) : QRect();
  if (!engineImage_ || blockPresent_.empty() || displayImage_.size() != image.size()) {
    updateStatusesPresent();
    return;
  }
  const QRect area = (changed | ownWrites_) & image;
  ownWrites_ = QRect();
  readBlocks(area);
  reportStatuses(foldBlocks(), &area);
}

void GmStatusArray::readBlocks(QRect area) {
  const int width = int(engineImage_->width), height = int(engineImage_->height);
  const size_t blocks = size_t((width + kPresentBlock - 1) / kPresentBlock);
  if (blockPresent_.size() != blocks * size_t(height)) {
    blockPresent_.assign(blocks * size_t(height), 0);
    area = QRect(0, 0, width, height);
  }
  if (area.isEmpty()) return;
  const auto* statuses = static_cast<const uint8_t*>(engineImage_->data);
  const int firstBlock = area.left() / kPresentBlock, lastBlock = area.right() / kPresentBlock;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const uint8_t* row = statuses + size_t(y) * engineImage_->stride;
    uint8_t* present = blockPresent_.data() + size_t(y) * blocks;
    for (int b = firstBlock; b <= lastBlock; ++b) {
      const int end = std::min(width, (b + 1) * kPresentBlock);
      uint64_t wide = 0;
      int x = b * kPresentBlock;
      for (; x + 8 <= end; x += 8) {
        uint64_t eight;
        std::memcpy(&eight, row + x, 8);
        wide |= eight;
      }
      for (; x < end; ++x) wide |= row[x];
      uint8_t folded = 0;
      for (int shift = 0; shift < 64; shift += 8) folded |= uint8_t(wide >> shift);
      present[b] = folded;
    }
  }
}

uint8_t GmStatusArray::foldBlocks() const {
  uint8_t present = 0;
  const size_t height = engineImage_->height;
  const size_t blocks = height ? blockPresent_.size() / height : 0;
  for (size_t y = 0; y < height && (present & 15) != 15; ++y) {
    const uint8_t* row = blockPresent_.data() + y * blocks;
    for (size_t b = 0; b < blocks; ++b) present |= row[b];
  }
  return present;
}

void GmStatusArray::reportStatuses(uint8_t present, const QRect* copied) {
  if (present != statusesPresent_) {
    statusesPresent_ = CvPixelStatus(present);
    emit statusesPresentChanged(statusesPresent_);
  }
  if (!copied) {
    refreshDisplayCopy();
  } else if (!copied->isEmpty()) {
    // In place: the copy is written by this thread alone, and a view holding it shares it
    // until this detaches it.
    uchar* bits = displayImage_.bits();
    const qsizetype line = displayImage_.bytesPerLine();
    const auto* statuses = static_cast<const uint8_t*>(engineImage_->data);
    for (int y = copied->top(); y <= copied->bottom(); ++y)
      std::memcpy(bits + y * line + copied->left(),
                  statuses + size_t(y) * engineImage_->stride + copied->left(),
                  size_t(copied->width()));
    displayRevision_ = ++lastDisplayRevision;
    if (displayChanges_.size() == kRememberedChanges) {
      wholeRevision_ = displayChanges_.front().first;
      displayChanges_.erase(displayChanges_.begin());
    }
    displayChanges_.emplace_back(displayRevision_, *copied);
  }
  emit statusChanged();
}

void GmStatusArray::refreshDisplayCopy() {
  displayImage_ = statusImage_.isNull() ? QImage() : statusImage_.copy();
  displayRevision_ = wholeRevision_ = ++lastDisplayRevision;
  displayChanges_.clear();
}

QRegion GmStatusArray::displayChangedSince(quint64 revision) const {
  if (revision == displayRevision_) return QRegion();
  bool known = revision == wholeRevision_;
  QRegion changed;
  for (const auto& [after, area] : displayChanges_) {
    if (known) changed += area;
    known = known || after == revision;
  }
  return known ? changed : QRegion(displayImage_.rect());
}

void GmStatusArray::wrapEngineImage() {
  if (!engineImage_) return;
  statusImage_ =
      QImage(static_cast<uchar*>(engineImage_->data), int(engineImage_->width),
             int(engineImage_->height), int(engineImage_->stride), QImage::Format_Indexed8);
  statusImage_.setColorTable(colourTable_);
}

void GmStatusArray::setColours() {
  QVector<QRgb> table(256, qRgba(0, 0, 0, 0));
  table[CvStatusOutside] = fade(Qt::white, 0);
  table[CvStatusInPicture] = table[CvStatusOutside];
  table[CvStatusDelete] = fade(userColour(UserColours::DeleteMask), 0);
  table[CvStatusBlend] = fade(userColour(UserColours::BlendMask), 0);
  table[CvStatusProtected] = fade(userColour(UserColours::PatchProtection), 0);
  // The display ignores the flags 16, 64 and 128, and shows protection over any class.
  for (int i = CvStatusClassMask; i < 256; ++i)
    table[i] = i & CvStatusProtected ? table[CvStatusProtected] : table[i & CvStatusClassMask];
  colourTable_ = table;
  wrapEngineImage();
  setHighlightColourEntry();
  refreshDisplayCopy();
  model_->signalDirtyImageSlot();
}

void GmStatusArray::opacityChanged(int opacity) {
  Q_UNUSED(opacity);  // the hooks answer the opacity as a fraction of the slider's range
  setColours();
}

// ---- Highlight

bool GmStatusArray::isHighlighting() const {
  return set1D_.isRunning() || set2D_.isRunning();
}

void GmStatusArray::stopHighlighting() {
  set1D_.stop();
  set2D_.stop();
}

void GmStatusArray::setHighlightColourEntry() {
  if (highlightImage_.isNull()) return;
  // Changing the colour table may copy the image (when a view shares it), away from the bits a
  // run writes: the run is stopped first and started again after.
  const bool restart = isHighlighting() && lastRun_ != HighlightRun::None;
  stopHighlighting();
  highlightImage_.setColor(1, fade(highlightColour_, 0.85));
  if (restart) startHighlight(lastRun_, lastMask_);
}

void GmStatusArray::highlightColourChanged(QColor colour) {
  highlightColour_ = colour;
  setHighlightColourEntry();
  threadFinished();
}

bool GmStatusArray::prepareHighlight() {
  TsSourceImage* image = model_->segImage();
  if (!image || highlightImage_.isNull()) return false;
  stopHighlighting();
  // The working image a session works on is never rebuilt here; it is only built when none
  // exists yet.
  runWorking_ = image->workingImage().isNull() ? image->prepareWorkingImage(model_->resolution())
                                               : image->workingImage();
  runMask_ = QImage();
  runRect_ = runWorking_.rect();
  if (GmRegion* patch = model_->activeRegion()) {
    const QImage mask = patch->snapshotMask();
    if (!mask.isNull()) {
      runMask_ = mask;
      runRect_ = QRect(mask.offset(), mask.size());
    }
  }
  return true;
}

void GmStatusArray::startHighlight(HighlightRun run, CvPixelStatus mask) {
  lastRun_ = run;
  lastMask_ = mask;
  HighlightThread& thread = run == HighlightRun::OneChannel ? static_cast<HighlightThread&>(set1D_)
                                                            : static_cast<HighlightThread&>(set2D_);
  thread.startRun(&highlightImage_, &runWorking_, &statusImage_,
                  runMask_.isNull() ? nullptr : &runMask_, runRect_, uint8_t(mask));
}

void GmStatusArray::highlightChanged(std::vector<bool> selection, kestrum::colour::channel channel,
                                     CvPixelStatus mask) {
  if (!prepareHighlight()) return;
  set1D_.setSelection(selection);
  set1D_.setChannel(channel);
  startHighlight(HighlightRun::OneChannel, mask);
}

void GmStatusArray::highlightChanged(QImage plane, kestrum::colour::channel horizontal,
                                     kestrum::colour::channel vertical, CvPixelStatus mask) {
  if (!prepareHighlight()) return;
  set2D_.setSelection(plane);
  set2D_.setChannels(horizontal, vertical);
  startHighlight(HighlightRun::TwoChannels, mask);
}

void GmStatusArray::unHighlight() {
  if (highlightImage_.isNull()) return;
  stopHighlighting();
  lastRun_ = HighlightRun::None;
  highlightImage_.fill(0);
}

void GmStatusArray::threadFinished() {
  if (GmRegion* patch = model_->activeRegion())
    emit model_->rectDirty(ImageRectF(patch->shape().boundingRect()), DirtyHint::Exact);
  else
    model_->signalDirtyImageSlot();
}

QRgb GmStatusArray::displayColour(uint8_t status) const {
  return colourTable_.isEmpty() ? qRgba(0, 0, 0, 0) : colourTable_.at(status);
}

bool GmStatusArray::markUnchangedPatch(GmRegion* patch) {
  if (!patch || !engineImage_) return false;
  const PixelState& snapshot = patch->shape().snapshot();
  if (snapshot.mask().isNull() || snapshot.isStale(patch->blending()->options()) ||
      snapshot.changed(statusImage_))
    return false;
  underMask(engineImage_, snapshot.mask(), [](uint8_t& status) { status |= CvStatusHold; });
  ownWrites_ |= QRect(snapshot.mask().offset(), snapshot.mask().size());
  return true;
}

void GmStatusArray::clearUnchangedMark(const QImage& mask) {
  underMask(engineImage_, mask, [](uint8_t& status) { status &= uint8_t(~CvStatusHold); });
  if (!mask.isNull()) ownWrites_ |= QRect(mask.offset(), mask.size());
}

QImage GmStatusArray::trimap() const {
  if (statusImage_.isNull()) return QImage();
  QImage trimap = statusImage_.copy();
  QVector<QRgb> table(256, qRgb(128, 128, 128));
  table[CvStatusKeep] = qRgb(255, 255, 255);
  table[CvStatusDelete] = qRgb(0, 0, 0);
  trimap.setColorTable(table);
  return trimap;
}
