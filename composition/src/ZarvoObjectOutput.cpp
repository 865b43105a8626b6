// The hub's output: the picture written to a file, a PDF page or a printer.

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QSaveFile>
#include <QTemporaryFile>

#include "ZarvoObjectPrivate.h"
#include "composition/CompositionHost.h"
#include "composition/PaperSize.h"
#include "composition/ProcessorFinalImage.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoOutputHandler.h"

namespace {
// JPG and PDF output are rebuilt as JPEG, PNG output as PNG.
bool sameEncoding(int typeA, int typeB) {
  return (typeA == ZarvoOutputHandler::Png) == (typeB == ZarvoOutputHandler::Png);
}
}  // namespace

bool ZarvoObject::save(const QString& filename) {
  const bool saved = saveToFile(filename);
  if (saved) {
    d->savedFingerprint = fingerprint(d->finalPixmap);
    d->userChangedWhileOpening = false;
  }
  return saved;
}

bool ZarvoObject::saveFailed(const QString& filename) {
  compositionHost().message(
      QMessageBox::Critical, tr("Failed to save", "[zarvo]"),
      tr("Could not save to filename %1. Please try saving to a different filename.", "[zarvo]")
          .arg(filename));
  return false;
}

bool ZarvoObject::writeBytes(const QString& filename, const QByteArray& bytes) {
  // Written beside the target and renamed over it only when complete: a failure keeps the
  // old file.
  QSaveFile file(filename);
  if (!file.open(QIODevice::WriteOnly)) return saveFailed(filename);
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    file.commit();
    return saveFailed(filename);
  }
  if (!file.commit()) return saveFailed(filename);
  return true;
}

bool ZarvoObject::saveToFile(const QString& filename) {
  const int type = ZarvoOutputHandler::instance()->fileType();
  if (type == ZarvoOutputHandler::Pdf) return saveToPDF(filename);  // which settles itself
  settle();
  switch (type) {
    case ZarvoOutputHandler::Jpg:
      if (hasTransparency())
        compositionHost().message(
            QMessageBox::Information, tr("Transparency removed for JPEG export...", "[zarvo]"),
            tr("Transparency in your exported image was removed, because JPEG does not support "
               "transparency. Please try exporting to PNG to retain transparency.",
               "[zarvo]"));
      break;
    case ZarvoOutputHandler::Png:
      break;
    default:
      return saveFailed(filename);
  }
  // Empty bytes: no picture yet, no encoder, or a budget of 0. Bytes of the other encoding: the
  // rebuild for the chosen type delivered nothing (a canvas without pixels).
  if (d->finalImageBytes.isEmpty() || !sameEncoding(d->finalImageType, type))
    return saveFailed(filename);
  return writeBytes(filename, d->finalImageBytes);
}

bool ZarvoObject::saveToPDF(const QString& filename) {
  settle();
  if (d->finalPixmap.isNull()) return saveFailed(filename);
  // The PDF writer truncates its file when it starts: it writes a temporary one, whose bytes
  // then replace the target in one step.
  QTemporaryFile pdf(QDir::tempPath() + QStringLiteral("/zarvo-XXXXXX.pdf"));
  if (!pdf.open()) return saveFailed(filename);
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf.fileName());
  printer.setPageSize(QPageSize(usesLetterPaper() ? QPageSize::Letter : QPageSize::A4));
  const QRect canvas = d->layers.canvasRect;
  printer.setPageOrientation(canvas.width() > canvas.height() ? QPageLayout::Landscape
                                                              : QPageLayout::Portrait);
  QPainter painter;
  if (!painter.begin(&printer)) return saveFailed(filename);
  const QRect viewport = painter.viewport();
  const QSize size = d->finalPixmap.size().scaled(viewport.size(), Qt::KeepAspectRatio);
  const QRectF target((viewport.left() + viewport.right()) / 2 - size.width() / 2.0,
                      (viewport.top() + viewport.bottom()) / 2 - size.height() / 2.0, size.width(),
                      size.height());
  painter.drawPixmap(target, d->finalPixmap, QRectF(d->finalPixmap.rect()));
  if (!painter.end()) return saveFailed(filename);
  pdf.seek(0);
  const QByteArray bytes = pdf.readAll();
  if (bytes.isEmpty()) return saveFailed(filename);
  return writeBytes(filename, bytes);
}

void ZarvoObject::printSlot() {
  QGraphicsScene* scene = d->scene;
  if (!scene) {
    qWarning() << "Nothing to print: the composition has no scene";
    return;
  }
  QPrinter printer(QPrinter::HighResolution);
  if (!compositionHost().preparePrinter(printer)) return;
  // Selection frames and grab handles are not part of the picture.
  const QList<QGraphicsItem*> selected = scene->selectedItems();
  scene->clearSelection();
  QPainter painter;
  if (painter.begin(&printer)) {
    scene->render(&painter, QRectF(), QRectF(d->layers.canvasRect), Qt::KeepAspectRatio);
    painter.end();
  } else {
    compositionHost().message(QMessageBox::Warning, tr("Print Image", "[zarvo]"),
                              tr("The picture could not be printed.", "[zarvo]"));
  }
  for (QGraphicsItem* item : selected) item->setSelected(true);
}
