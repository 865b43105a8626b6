#include "app/GasPipe.h"

#include <QFile>
#include <QFileInfo>

#include "kestrum/qt/XmlNesting.h"

QString pipeImageInPath;
QString pipeImageOutPath;
QString pipeConfig;

namespace {
std::unique_ptr<GasPipe>& currentPipe() {
  static std::unique_ptr<GasPipe> pipe;
  return pipe;
}
}  // namespace

GasPipe::GasPipe(const QString& path) : path_(path), document_(QStringLiteral("GasPipe")) {}

GasPipe* GasPipe::create(const QString& path) {
  currentPipe().reset(new GasPipe(path));
  return currentPipe().get();
}

GasPipe* GasPipe::current() {
  return currentPipe().get();
}

void GasPipe::release() {
  currentPipe().reset();
}

bool GasPipe::load() {
  GasPipe* pipe = current();
  if (!pipe) return false;
  QFile file(pipe->path_);
  if (!file.open(QIODevice::ReadOnly)) {
    throw ControlFileError("Unable to open XML control file: " + pipe->path_.toStdString());
  }
  return pipe->read(file.readAll(), QFileInfo(pipe->path_).absolutePath());
}

bool GasPipe::read(const QByteArray& bytes, const QString& folder) {
  if (!kestrum::xmlNestingWithin(bytes, kestrum::kMaxXmlDepth) || !document_.setContent(bytes))
    return false;
  elementsById_.clear();
  indexed_ = false;
  const QString base = folder + QLatin1Char('/');
  pipeImageInPath = base + attributeOf(QStringLiteral("imageIn"), QStringLiteral("src"));
  pipeImageOutPath = base + attributeOf(QStringLiteral("imageOut"), QStringLiteral("src"));
  pipeConfig = elementById(QStringLiteral("config")).text();
  return true;
}

void GasPipe::buildIndex() {
  indexed_ = true;
  const QString idName = QStringLiteral("id");
  // Depth first, in document order, without recursion: a deep file must not exhaust the stack.
  QDomNode node = document_.documentElement();
  while (!node.isNull()) {
    if (node.isElement()) {
      const QDomElement element = node.toElement();
      if (element.hasAttribute(idName)) elementsById_[element.attribute(idName)] = element;
    }
    QDomNode next = node.firstChild();
    if (next.isNull()) {
      for (QDomNode up = node; !up.isNull(); up = up.parentNode()) {
        if (up == document_.documentElement()) break;
        next = up.nextSibling();
        if (!next.isNull()) break;
      }
    }
    node = next;
  }
}

QDomElement GasPipe::elementById(const QString& id) {
  if (!indexed_) buildIndex();
  const auto found = elementsById_.find(id);
  return found == elementsById_.end() ? QDomElement() : found->second;
}

QString GasPipe::attributeOf(const QString& id, const QString& attributeName) {
  return elementById(id).attribute(attributeName);
}
