#include "composition/CompositionHost.h"

#include <QDebug>

namespace {

class DefaultCompositionHost final : public CompositionHost {
 public:
  void message(QMessageBox::Icon icon, const QString& title, const QString& text) override {
    if (icon == QMessageBox::Warning || icon == QMessageBox::Critical)
      qWarning().noquote() << title << ":" << text;
    else
      qInfo().noquote() << title << ":" << text;
  }
  bool confirm(const QString& text, const QString&) override {
    qInfo().noquote() << "Cancelled (no window to ask in):" << text;
    return false;
  }
  QString openImageFile(QWidget*, const QString& caption, const QString&, const QString&) override {
    qInfo().noquote() << "Cancelled (no window to ask in):" << caption;
    return QString();
  }
  QString libraryImage(const QString&) override { return QString(); }
  bool preparePrinter(QPrinter&) override {
    qInfo() << "Printing cancelled: no window to set the printer up in";
    return false;
  }
};

DefaultCompositionHost defaultHost;
CompositionHost* installed = nullptr;

}  // namespace

CompositionHost& compositionHost() {
  return installed ? *installed : defaultHost;
}

CompositionHost* setCompositionHost(CompositionHost* host) {
  CompositionHost* previous = installed;
  installed = host;
  return previous;
}
