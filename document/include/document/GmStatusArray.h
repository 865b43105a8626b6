#pragma once

#include <cstdint>

#include <QColor>
#include <QImage>
#include <QMetaType>
#include <QObject>

#include "Corvane.h"

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

  // Borrowed from the engine, which keeps it until it is finished; null without one.
  CvImage* engineImage() const { return engineImage_; }
  // 8-bit indexed over the engine's pixels, with the display colour table; null without an
  // engine image. Read only: the engine writes these pixels.
  const QImage& statusImage() const { return statusImage_; }
  // A deep copy of the statuses taken at the last refresh, which the views paint.
  const QImage& displayImage() const { return displayImage_; }
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

  // Sets bit 64 (hold) under the patch's snapshot when its statuses and blending options did
  // not change since its last cut-out; true when it did.
  bool markUnchangedPatch(GmRegion* patch);
  // Clears bit 64 under the non-zero pixels of `mask` (8-bit, offset at its place).
  void clearUnchangedMark(const QImage& mask);

  // The statuses for the trimap export: 2 white, 4 black, everything else grey.
  QImage trimap() const;
  // The display colour of `status` (the table's entry).
  QRgb displayColour(uint8_t status) const;

 signals:
  void statusChanged();
  void statusesPresentChanged(CvPixelStatus statusesPresent);

 public slots:
  // The view options' mask opacity moved; the table is rebuilt with the opacity in force.
  void opacityChanged(int opacity);
  void setColours();

 private:
  void refreshDisplayCopy();
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
  QVector<QRgb> colourTable_;
  bool followingColours_ = false;
};
