#include "kestrum/qt/NamedImage.h"

#include <QFileInfo>

QString NamedImage::name() const {
  return QFileInfo(url_.path()).fileName();
}
