// GmModel: the document's keyed state, written to and read from project files.

#include <QDebug>
#include <QVariantList>
#include <QVariantMap>

#include "document/ArrowTargets.h"
#include "document/BlendingStuff.h"
#include "document/DocumentKeys.h"
#include "document/DocumentUiHooks.h"
#include "document/ForcedEdge.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/GmStatusArray.h"
#include "document/ParsedDocument.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"

namespace {

// A stored image: its pixels from the map, or, for the kinds over a host's buffers (which carry
// none), a sharing copy of the host's image `slot` when that is of the same kind. Null, with the
// reason, otherwise.
std::unique_ptr<TsSourceImage> readImage(const QVariant& stored, int slot, QString* why) {
  const QVariantMap map = stored.toMap();
  const int kind = map.value(documentKeys::imageMaster).toInt();
  std::unique_ptr<TsSourceImage> image;
  if (kind == TsSourceImage::Buffer32Master || kind == TsSourceImage::Buffer64Master) {
    const TsSourceImage* host = documentUiHooks().hostImage(slot);
    if (!host || !host->isValid() || host->masterKind() != kind) {
      *why = QStringLiteral("its image %1 lies in a host's buffer that is not there").arg(slot);
      return nullptr;
    }
    image = std::make_unique<TsSourceImage>(host, TsSourceImage::SharePixels{});
  } else {
    image = std::make_unique<TsSourceImage>(stored);
  }
  if (!image->isValid()) {
    *why = QStringLiteral("its image %1 has no pixels").arg(slot);
    return nullptr;
  }
  return image;
}

}  // namespace

QVariant GmModel::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::segImg, segImage_ ? segImage_->toVariant() : QVariantMap());
  map.insert(documentKeys::blendImg, blendImage_ ? blendImage_->toVariant() : QVariantMap());
  // Statuses not yet sent to the engine are the document's all the same.
  const QImage& statuses = statusArray_->statusImage();
  map.insert(documentKeys::statusArray,
             statuses.isNull() ? statusArray_->pendingStatus() : statuses.copy());
  map.insert(documentKeys::imageSmeg, segmentation_->toVariant());
  map.insert(documentKeys::imageBlendage, blending_->toVariant());
  map.insert(documentKeys::resolution, resolution_);
  QVariantList targets;
  for (ArrowTarget* target : arrowTargets()) targets.append(target->toVariant());
  map.insert(documentKeys::arrowTargetList, targets);
  return map;
}

std::unique_ptr<ParsedDocument> GmModel::parseDocumentMap(const QVariant& state, QString* refusal) {
  QString why;
  auto refuse = [&](const QString& reason) {
    qWarning().noquote() << "A stored document was refused:" << reason;
    if (refusal) *refusal = reason;
    return nullptr;
  };
  if (state.type() != QVariant::Map) return refuse(QStringLiteral("it is not a map"));
  const QVariantMap map = state.toMap();
  auto parsed = std::make_unique<ParsedDocument>();

  bool isInt = false;
  parsed->resolution = map.value(documentKeys::resolution).toInt(&isInt);
  if (!isInt || !isValidResolution(parsed->resolution))
    return refuse(QStringLiteral("its resolution is not 1, 2, 4 or 8"));

  parsed->segImage = readImage(map.value(documentKeys::segImg), 0, &why);
  if (!parsed->segImage) return refuse(why);
  parsed->blendImage = readImage(map.value(documentKeys::blendImg), 1, &why);
  if (!parsed->blendImage) return refuse(why);
  const QSize size = parsed->segImage->displayImage().size();
  if (parsed->blendImage->displayImage().size() != size)
    return refuse(QStringLiteral("its two images differ in size"));

  const QVariant statuses = map.value(documentKeys::statusArray);
  if (statuses.isValid() && statuses.userType() != QMetaType::QImage)
    return refuse(QStringLiteral("its statuses are not an image"));
  parsed->statuses = statuses.value<QImage>();
  const QSize working = workingSizeOf(size, parsed->resolution);
  if (!parsed->statuses.isNull() &&
      (parsed->statuses.format() != QImage::Format_Indexed8 || parsed->statuses.size() != working))
    return refuse(QStringLiteral("its statuses are not an 8-bit image of the working size"));

  parsed->segmentation =
      std::make_unique<SegmentationStuff>(map.value(documentKeys::imageSmeg).toMap(), nullptr);
  parsed->blending =
      std::make_unique<BlendingStuff>(map.value(documentKeys::imageBlendage).toMap(), nullptr);

  const QVariant list = map.value(documentKeys::arrowTargetList);
  if (list.isValid() && list.type() != QVariant::List)
    return refuse(QStringLiteral("its targets are not a list"));
  for (const QVariant& entry : list.toList()) {
    ArrowTarget* target = entry.type() == QVariant::Map ? readArrowTarget(entry.toMap()) : nullptr;
    if (!target) {
      ++parsed->skippedTargets;
      qWarning().noquote() << "A stored target of an unknown type was left out:"
                           << entry.toMap().value(documentKeys::type).toString();
      continue;
    }
    parsed->targets.emplace_back(target);
  }
  return parsed;
}

bool GmModel::restore(std::unique_ptr<ParsedDocument> document) {
  if (!document || !document->segImage || !document->blendImage) return false;
  if (segImage_) finish();
  setResolution(document->resolution);
  statusArray_->setPendingStatus(document->statuses);
  if (!document->statuses.isNull() && statusArray_->engineImage())
    statusArray_->sendPendingStatus();
  // The settings objects stay (panels hold them); they take the stored values.
  segmentation_->values().copyValues(document->segmentation->values());
  segmentation_->setOwnSettings(document->segmentation->ownSettings());
  blending_->options() = document->blending->options();
  for (std::unique_ptr<ArrowTarget>& target : document->targets) {
    ArrowTarget* taken = target.release();
    if (GmRegion* patch = taken->toRegion())
      patches_.append(patch);
    else if (ForcedEdge* edge = taken->toForcedEdge())
      forcedEdges_.append(edge);
    else
      delete taken;
  }
  TsSourceImage* seg = document->segImage.release();
  TsSourceImage* blend = document->blendImage.release();
  if (setSourceImage(seg, blend, GmSession::KeepSettings, 2)) return true;
  delete seg;
  delete blend;
  return false;
}

bool GmModel::fromVariant(const QVariant& state) {
  std::unique_ptr<ParsedDocument> document = parseDocumentMap(state);
  return document && restore(std::move(document));
}
