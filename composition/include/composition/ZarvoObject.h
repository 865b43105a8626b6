#pragma once

#include <memory>

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include "composition/HighlightPoint.h"
#include "composition/LayerSet.h"

class ProcessorFinalImage;
class QGraphicsScene;
class QTimerEvent;
struct ZarvoObjectPrivate;

// The composition's document: the canvas, the output settings and one copy of every layer of
// the final picture. Each effect feeds its layer through a slot; every change stops a running
// rebuild and, unless one is pending, arms a single-shot rebuild timer (500 ms); when it fires
// the layers are copied into the final-image thread, whose picture and bytes come back through
// finalImageDone. Unsaved changes are told by a digest of the picture.
//
// One per process: created on first use, destroyed by destroyInstance() (the application before
// its QApplication goes; tests between cases). GUI thread only.
class ZarvoObject : public QObject {
  Q_OBJECT

 public:
  static ZarvoObject* instance();
  static void destroyInstance();

  // The record's fields, read by the composition's tools and views.
  QGraphicsScene* scene() const;
  void setScene(QGraphicsScene* scene);  // borrowed
  QRect canvasRect() const;
  int maxFileSizeKB() const;
  int outputType() const;
  QSize backgroundImageSize() const;
  const LayerSet& layers() const;
  QByteArray finalImageBytes() const;
  QPixmap finalPixmap() const;
  bool rebuildPending() const;
  // The final-image thread, owned by the hub: callers only watch it (its signals, wait()).
  ProcessorFinalImage* processor() const;

  // True when the picture differs from the one saved, made right after the last reset, or made
  // first for a newly opened photo. A change still on its way (in a producer's worker or
  // notice, or waiting for its picture) is judged by the picture it gives, built at once as an
  // export would (settle()); the picture a reset waits for is the saved state already. While a
  // photo opens: whether the user changed the composition meanwhile (noteUserChange), and no
  // picture is taken as the saved state. GUI thread; may join the producers' threads and the
  // final-image thread.
  bool hasUnsavedChanges();
  // A newly opened photo starts with no unsaved changes: once the work its opening started in
  // the engine has ended, the composition is settled and that picture is the saved state,
  // unless the user changed the composition meanwhile: then no picture is saved until the next
  // save or reset.
  void awaitNewPhoto();
  // hasTransparency() of the current picture.
  bool hasTransparency() const;

  // Writes the picture as the chosen file type; on success it becomes the saved state.
  bool save(const QString& filename);
  // Settles the picture (every change in flight in) and writes it: the delivered bytes for JPG
  // and PNG, a PDF page for PDF. A failure is shown as "Failed to save" through the composition
  // host, leaves any existing file as it was, and answers false.
  bool saveToFile(const QString& filename);

  // Test aid: the delay of the rebuild timer, 500 ms unless set.
  void setRebuildDelayForTesting(int milliseconds);

 signals:
  void canvasChanged(QRect newRect, QRect oldRect);
  void outputTypeChanged();
  void updateView(QRect newRect);
  void startedImageProcessing();
  void updateImage();
  void backgroundImageSizeChanged(QSize size);
  void zarvoReset();
  void maxFileSizeChanged(int kilobytes);
  // Before the picture is judged or written, connected directly: a producer with work in
  // flight (a pending notice, a running worker) completes it now, sends its layer and sets
  // *finished.
  void settling(bool* finished);

 public slots:
  void backgroundChanged(const QPixmap& background);
  void setCanvasRect(const QRect& rect);
  void setMaxFileSize(int kilobytes);
  void setBackgroundImageSize(const QSize& size);
  void cutoutChangedSlot(const QImage& image, const QPoint& topLeft);
  void fullyHighlitImageChanged(const QImage& image);
  void shadowUpdated(const QPixmap& shadow, const QPoint& topLeft);
  void logoUpdated(const QImage& image, const QPoint& topLeft);
  void speechBubblesUpdated(const QImage& image, const QPoint& topLeft);
  void textUpdated(const QImage& image, const QPoint& topLeft);
  void setSharpenValue(int value);
  void setCompressBackground(int value);
  void highlightPointsChanged(const QList<HighlightPoint>& points);
  // Told by a tool or item when the user changes the composition by hand (a control, a dab, a
  // drag, a command), as against a layer derived from another (a shadow recomputed for a new
  // cut-out): the layer slots take both. It matters only while a photo opens, when the picture
  // cannot tell the user's change from the opening's own; a tool setting its own controls in
  // its reset needs no guard, since the reset clears what they tell.
  void noteUserChange();
  // A PDF page with the picture, centred and scaled to the page; false (after "Failed to save")
  // when there is no picture or the file could not be written.
  bool saveToPDF(const QString& filename);
  // Prints the scene's canvas on a printer the host prepares. No command offers it yet.
  void printSlot();
  void reprocessFinalImage();
  void reset();

 protected:
  void timerEvent(QTimerEvent* event) override;

 private slots:
  void finalImageDone(const QImage& image, const QByteArray& bytes, quint64 runNumber);
  void processingStarted(quint64 runNumber);
  // The opening's engine work has ended: the settled picture becomes the saved state.
  void photoOpened();

 private:
  ZarvoObject();
  ~ZarvoObject() override;

  static QByteArray fingerprint(const QPixmap& pixmap);
  void startRebuild();
  void stopRunningRebuild();
  // Runs a pending rebuild at once, joins the processor and takes in its picture.
  void bringUpToDate();
  // Every producer finishes its work in flight, then bringUpToDate().
  void settle();
  void takePicture(const QImage& image, const QByteArray& bytes, int fileType);
  // "Failed to save" for `filename` through the host; answers false.
  bool saveFailed(const QString& filename);
  bool writeBytes(const QString& filename, const QByteArray& bytes);
  // A layer that was empty and stays empty changes nothing.
  void storeOptionalLayer(QImage& layer, QPoint& position, const QImage& image,
                          const QPoint& topLeft);

  std::unique_ptr<ZarvoObjectPrivate> d;
};
