#include "app/ProjectFile.h"

#include <QIODevice>
#include <QImage>
#include <QVariantMap>

#include "document/DocumentKeys.h"
#include "document/DocumentMetaTypes.h"
#include "document/GmModel.h"
#include "document/KeyedStateReader.h"
#include "document/ParsedDocument.h"

namespace projectfile {

namespace {

// The seven keys of a stored document and the type each must have.
struct Key {
  const QString& name;
  int type;
};

bool hasEveryKey(const QVariantMap& map, QString* missing) {
  const Key keys[] = {{documentKeys::segImg, QMetaType::QVariantMap},
                      {documentKeys::blendImg, QMetaType::QVariantMap},
                      {documentKeys::statusArray, QMetaType::QImage},
                      {documentKeys::imageSmeg, QMetaType::QVariantMap},
                      {documentKeys::imageBlendage, QMetaType::QVariantMap},
                      {documentKeys::arrowTargetList, QMetaType::QVariantList},
                      {documentKeys::resolution, QMetaType::Int}};
  for (const Key& key : keys) {
    const auto found = map.constFind(key.name);
    if (found == map.constEnd() || found->userType() != key.type) {
      *missing = key.name;
      return false;
    }
  }
  return true;
}

}  // namespace

HeaderRead readHeader(QDataStream& in, const QList<int>& versions, Header& header) {
  header = Header();
  in >> header.magic;
  if (in.status() != QDataStream::Ok || header.magic != kMagic) return HeaderRead::NotAProject;
  in >> header.version;
  if (in.status() != QDataStream::Ok) return HeaderRead::NotAProject;
  if (!versions.contains(header.version)) return HeaderRead::UnsupportedVersion;
  in >> header.checkValue;
  if (in.status() != QDataStream::Ok) return HeaderRead::NotAProject;
  return HeaderRead::Ok;
}

std::unique_ptr<ParsedDocument> readDocument(QDataStream& in, QString* refusal) {
  const QVariant state = readKeyedState(in);
  if (in.status() != QDataStream::Ok) {
    *refusal = in.status() == QDataStream::ReadPastEnd
                   ? QStringLiteral("the file ends before the document does")
                   : QStringLiteral("the document in it is damaged");
    return nullptr;
  }
  if (state.userType() != QMetaType::QVariantMap) {
    *refusal = QStringLiteral("it holds no document");
    return nullptr;
  }
  QString key;
  if (!hasEveryKey(state.toMap(), &key)) {
    *refusal = QStringLiteral("its document lacks \"%1\" or holds it as another type").arg(key);
    return nullptr;
  }
  QString why;
  std::unique_ptr<ParsedDocument> document = GmModel::parseDocumentMap(state, &why);
  if (!document) *refusal = QStringLiteral("its document was refused: %1").arg(why);
  return document;
}

bool write(QIODevice& device, quint16 checkValue, const QVariant& state) {
  registerDocumentMetaTypes();
  QDataStream out(&device);
  out.setVersion(kStreamVersion);
  out << kMagic << kVersion << checkValue << state;
  return out.status() == QDataStream::Ok;
}

}  // namespace projectfile
