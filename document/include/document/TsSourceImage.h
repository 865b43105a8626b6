#pragma once

#include <cstdint>

#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QVariant>

#include "Corvane.h"
#include "kestrum/image/PixelBuffer.h"

class NamedImage;

// The photograph being cut out, in three forms: the master pixels, the 8-bit display image
// with its pixmap, and the working image (the display image reduced by the document's
// resolution), which the engine analyses.
//
// The master is one of three kinds: 0 a QImage (which is also the display image), 1 a buffer
// of 64-bit pixels converted into an owned 32-bit display buffer, 2 a buffer of 32-bit pixels
// that is the display image itself. Images built over a caller's buffer, and sharing copies,
// work on that memory without copying it and must not outlive it.
//
// GUI thread only (pixmaps). An invalid image is one without pixels.
class TsSourceImage : public QObject {
  Q_OBJECT

 public:
  enum MasterKind { QImageMaster = 0, Buffer64Master = 1, Buffer32Master = 2 };
  // The channel format, also the engine's pixel type: 8 bits, 16 bits up to 65535, 16 bits
  // up to 32768.
  enum Format { Format8 = 1, Format16 = 2, Format15 = 3 };
  struct SharePixels {};

  // Reads a file as PhotoReader does: through the guarded reader, upright by its Exif
  // orientation, limited to 1280 pixels a side. An unreadable file, one too large to decode, or
  // exhausted memory is reported through the document's hooks, with the reason (which the log
  // gets too), and the image is then invalid.
  explicit TsSourceImage(const QString& fileName);
  // A copy of a picture, named after its address, always in ARGB32, at the size it has (a
  // received one is limited on its way, by PhotoReader); a local file's path is kept as
  // filePath().
  explicit TsSourceImage(const NamedImage& image);
  // Over the caller's pixels, no copy: a 32-bit master (format 8 bits) or a 64-bit master
  // (channels up to 32768).
  TsSourceImage(const kestrum::PixelView32& buffer, const QString& name);
  TsSourceImage(const kestrum::PixelView64& buffer, const QString& name);
  // A deep copy of `other`'s master.
  explicit TsSourceImage(const TsSourceImage* other);
  // Over `other`'s master memory, no copy; must not outlive `other`.
  TsSourceImage(const TsSourceImage* other, SharePixels);
  // From a stored map (see toVariant). Kinds 1 and 2 store no pixels, so they read as
  // invalid: the host supplies those again.
  explicit TsSourceImage(const QVariant& stored);
  ~TsSourceImage() override;

  TsSourceImage(const TsSourceImage&) = delete;
  TsSourceImage& operator=(const TsSourceImage&) = delete;

  QVariant toVariant() const;

  const QString& fileName() const { return filename_; }
  // The local file the pixels were read from, opened or dropped; empty for a picture from the
  // web or from image data, a host's buffer and a stored document. The copies carry it over.
  const QString& filePath() const { return filePath_; }
  bool isValid() const { return valid_; }
  int masterKind() const { return imageMaster_; }
  int format() const { return format_; }
  // 1 for images over a caller's buffer and for sharing copies.
  int bufferOrigin() const { return bufferOrigin_; }
  // A value only the two copy forms carry over.
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }

  // Always ARGB32; shares its pixels with the master for kinds 0 and 2.
  const QImage& displayImage() const { return imageImage_; }
  const QPixmap& displayPixmap() const { return displayPixmap_; }
  const kestrum::PixelView32& displayView() const { return displayView_; }
  const kestrum::PixelView64& masterView64() const { return masterView64_; }

  // Converts a changed 64-bit master into the display forms again, and rebuilds the display
  // pixmap of an image whose pixels were written (markChanged); nothing otherwise.
  void updateDisplayImage();
  // The master's pixels were written (the engine's cut-out): the display forms are stale.
  void markChanged();
  // The display image reduced by `resolution` (1..8 and beyond; each side ceil(side / r)).
  // Built only when none exists for this resolution and these display pixels; otherwise the
  // existing one is returned untouched, since an engine session may hold a pointer into it.
  const QImage& prepareWorkingImage(int resolution);
  // Null until prepareWorkingImage.
  const QImage& workingImage() const { return workingImage_; }
  const QPixmap& workingPixmap() const { return workingPixmap_; }
  const kestrum::PixelView32& workingView() const { return workingView_; }

  // The master as the engine takes it; all zero for an unknown kind or format.
  CvImage engineImage();
  // Copies `other`'s master pixels into this one's. Refused (false, nothing changed) unless
  // both masters have the same kind and size.
  bool copyPixelsFrom(const TsSourceImage& other);
  // The project file's check value: CRC-16 of the first `width` bytes of the master's first
  // row, exclusive-or width and height; 0 for an invalid image.
  quint16 checksum() const;
  // The display image cut to the box of its pixels with non-zero alpha; `topLeft` receives
  // the box's corner. A null pixmap, `topLeft` untouched, when every pixel is transparent.
  QPixmap croppedToContentPixmap(QPoint* topLeft = nullptr);

 private:
  enum class Origin { Own, Buffer };
  TsSourceImage(Origin origin, const QString& name);
  // Builds the display forms from the master; throws std::bad_alloc.
  void init();
  // Runs init, or makes the image invalid with "Out of memory" when memory runs out.
  void initOrFail();
  // Points the display view at imageImage_'s pixels, taken for this image alone.
  void viewImagePixels();
  void failOutOfMemory();
  void convertMaster();
  void resetWorkingImage();
  void scaleInto(QImage& working, int resolution);
  kestrum::SampleRange sampleRange() const;

  QString filename_;
  QString filePath_;
  bool valid_ = false;
  bool displayStale_ = true;
  bool pixelsWritten_ = false;
  QPixmap displayPixmap_;
  QPixmap workingPixmap_;
  QImage imageImage_;
  QImage workingImage_;
  kestrum::PixelView32 workingView_;
  kestrum::PixelView32 displayView_;
  kestrum::PixelView64 masterView64_;
  kestrum::PixelBuffer32 owned32_;
  kestrum::PixelBuffer64 owned64_;
  int imageMaster_ = QImageMaster;
  int bufferOrigin_ = 0;
  int format_ = Format8;
  int tag_ = 0;
  // What the working image was built from: its resolution and the display pixels' generation.
  int workingResolution_ = 0;
  quint64 displayGeneration_ = 0;
  quint64 workingGeneration_ = 0;
};

// An image as the engine takes it: kind 0 for Indexed8, 1 for RGB32 and ARGB32; all zero for
// any other format. Borrowed: the description points into `image`'s pixels.
CvImage describeImage(const QImage& image);
// The same, preceded by the image's offset.
CvSelection describePositionedImage(const QImage& image);
