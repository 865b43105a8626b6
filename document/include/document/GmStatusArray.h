#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include <QColor>
#include <QImage>
#include <QMetaType>
#include <QObject>
#include <QRegion>

#include "Corvane.h"
#include "document/Set1DThread.h"
#include "document/Set2DThread.h"
#include "kestrum/qt/ColourSpace.h"

class GmModel;
class GmRegion;

Q_DECLARE_METATYPE(CvPixelStatus)

// The per-pixel status image of the working image as the engine keeps it, and what the views
// need to show it: a colour table painting each status in its user colour at the mask opacity,
// a deep copy to paint from, the set of statuses present, and a status image read from a
// project that waits to be sent. The engine changes the shared pixels only while a command
// runs; the commands that change statuses refresh this array when they finish. GUI thread.
class GmStatusArray : public QObject {
  Q_OBJECT

 public:
  // `model` owns the array. The array follows the user colours of the classes once it has a
  // status image.
  explicit GmStatusArray(GmModel* model);
  // Stops the highlight threads.
  ~GmStatusArray() override;

  // Borrowed from the engine, which keeps it until it is finished; null without one.
  CvImage* engineImage() const { return engineImage_; }
  // 8-bit indexed over the engine's pixels, with the display colour table; null without an
  // engine image. Read only: the engine writes these pixels.
  const QImage& statusImage() const { return statusImage_; }
  // A deep copy of the statuses taken at the last refresh, which the views paint.
  const QImage& displayImage() const { return displayImage_; }
  // Names the display copy's content: a new number, never used before by any array, at each
  // change. A view that converted revision `revision` converts again only
  // displayChangedSince(revision): the areas changed since, or the whole copy when that
  // revision is not known (an earlier image, too long ago, a new colour table).
  quint64 displayRevision() const { return displayRevision_; }
  QRegion displayChangedSince(quint64 revision) const;
  // The bitwise OR of every status (0 outside the picture, 1 unassigned, 2, 4, 8 the classes,
  // 16, 32 and 64 flags), as of the last refresh.
  CvPixelStatus statusesPresent() const { return statusesPresent_; }

  // Takes the engine's status image (null: lets go of it). A new one starts with every pixel
  // of the picture kept and an empty undo history, then the pending statuses are sent.
  void setStatusImage(CvImage* image);
  // Statuses read from a project, to be sent when the session has a status image.
  const QImage& pendingStatus() const { return pendingStatus_; }
  void setPendingStatus(const QImage& statuses);
  // Queues the pending statuses for the engine and forgets them.
  void sendPendingStatus();
  // Reads the statuses present again (reporting a change), refreshes the display copy and
  // reports statusChanged.
  void updateStatusesPresent();
  // The same after a command that changed statuses only inside `changed` (working pixels, the
  // area the engine reports; empty when nothing changed): only that area is read and copied,
  // with the same results as reading everything.
  void updateStatusesPresent(const QRect& changed);

  // Sets bit 64 (hold) under the patch's snapshot when its statuses and blending options did
  // not change since its last cut-out; true when it did.
  bool markUnchangedPatch(GmRegion* patch);
  // Clears bit 64 under the non-zero pixels of `mask` (8-bit, offset at its place).
  void clearUnchangedMark(const QImage& mask);

  // The statuses for the trimap export: 2 white, 4 black, everything else grey.
  QImage trimap() const;
  // The display colour of `status` (the table's entry).
  QRgb displayColour(uint8_t status) const;

  // Format_Mono, the status image's size: index 1 marks a highlighted pixel; colour 0 is
  // transparent, colour 1 the faded highlight colour. Null without a status image. Written by
  // the highlight threads while they run.
  const QImage& highlightImage() const { return highlightImage_; }
  // Whether a highlight run is under way.
  bool isHighlighting() const;
  // The threads, for tests that abort runs part way.
  Set1DThread& oneChannelThread() { return set1D_; }
  Set2DThread& twoChannelThread() { return set2D_; }

 signals:
  void statusChanged();
  void statusesPresentChanged(CvPixelStatus statusesPresent);

 public slots:
  // The view options' mask opacity moved; the table is rebuilt with the opacity in force.
  void opacityChanged(int opacity);
  // The "Color Workspace Highlight" colour changed: colour 1 of the highlight, and a repaint.
  void highlightColourChanged(QColor colour);
  // A new highlight of the pixels whose value on `channel` is selected (256 entries) and whose
  // status has a bit of `mask`: the running one stops, and the new one covers the active
  // patch's mask, or the whole working image without one. Nothing without an image or a status
  // image.
  void highlightChanged(std::vector<bool> selection, kestrum::colour::channel channel,
                        CvPixelStatus mask);
  // The same for a selected area of a 256 × 256 plane of two channels (x horizontal).
  void highlightChanged(QImage plane, kestrum::colour::channel horizontal,
                        kestrum::colour::channel vertical, CvPixelStatus mask);
  // Stops any run and clears the highlight.
  void unHighlight();
  void setColours();
  // A run ended: the active patch's area, or the whole image, is repainted.
  void threadFinished();

 private:
  enum class HighlightRun { None, OneChannel, TwoChannels };
  void stopHighlighting();
  // Stops the threads and chooses the area of a new run; false when there is nothing to run on.
  bool prepareHighlight();
  void startHighlight(HighlightRun run, CvPixelStatus mask);
  // Colour 1 of the highlight image from the highlight colour; a run under way is stopped for
  // it and started again.
  void setHighlightColourEntry();
  void refreshDisplayCopy();
  // Reads the OR of each block of the rows in `area` again; every block without a valid table.
  void readBlocks(QRect area);
  // The statuses present folded from the blocks: rows in order, up to the first row by which
  // every class has been seen (the flags of later rows are not looked for).
  uint8_t foldBlocks() const;
  // Takes `present`, then refreshes the display copy's `copied` area (the whole copy when
  // null) and reports statusChanged.
  void reportStatuses(uint8_t present, const QRect* copied);
  void followUserColours();
  // statusImage_ wrapped afresh over the engine's pixels with the colour table, so no copy of
  // an earlier wrapper makes Qt detach it from the engine's memory.
  void wrapEngineImage();

  GmModel* model_;
  CvImage* engineImage_ = nullptr;
  QImage statusImage_;
  QImage displayImage_;
  QImage pendingStatus_;
  CvPixelStatus statusesPresent_ = CvStatusOutside;
  // The OR of the statuses of each block of kPresentBlock columns, row after row, as of the
  // last refresh; empty until a refresh reads the whole image.
  std::vector<uint8_t> blockPresent_;
  quint64 displayRevision_ = 0;
  // The revision of the last whole copy, and the partial changes after it (revision, area),
  // oldest first, the few latest only.
  quint64 wholeRevision_ = 0;
  std::vector<std::pair<quint64, QRect>> displayChanges_;
  // Where the array itself wrote statuses (the hold marks) since the last refresh: read again
  // by the next one whatever the engine reports.
  QRect ownWrites_;
  QVector<QRgb> colourTable_;
  bool followingColours_ = false;

  QImage highlightImage_;
  QColor highlightColour_ = Qt::yellow;
  // What the last run was asked to cover, to start it again after a colour change.
  HighlightRun lastRun_ = HighlightRun::None;
  CvPixelStatus lastMask_ = CvStatusOutside;
  QImage runWorking_;
  QImage runMask_;
  QRect runRect_;
  Set1DThread set1D_;
  Set2DThread set2D_;
};
