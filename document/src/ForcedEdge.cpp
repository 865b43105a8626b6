#include "document/ForcedEdge.h"

#include <QBrush>
#include <QPen>

#include "document/CorvaneThread.h"
#include "document/CvCmdSelect.h"
#include "document/DocumentKeys.h"
#include "document/GmModel.h"

ForcedEdge::ForcedEdge(const QPolygonF& points, int openness, int width)
    : polygon_(points, openness), width_(width) {}

ForcedEdge::ForcedEdge(const QVariantMap& map)
    : polygon_(map.value(documentKeys::poly).toMap()),
      width_(map.value(documentKeys::width).toInt()) {}

void ForcedEdge::activate() {
  GmModel::instance()->setActiveForcedEdge(this);
}

void ForcedEdge::deactivate() {
  GmModel* model = GmModel::existingInstance();
  if (model && model->activeForcedEdge() == this) model->setActiveForcedEdge(nullptr);
}

bool ForcedEdge::isActive() const {
  const GmModel* model = GmModel::existingInstance();
  return model && model->activeForcedEdge() == this;
}

void ForcedEdge::submitToEngine() {
  CorvaneThread::submitToInstance(new CvCmdSelect(GmModel::instance(), this));
}

QVariantMap ForcedEdge::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::type, 3);
  map.insert(documentKeys::poly, polygon_.toVariant());
  map.insert(documentKeys::width, width_);
  return map;
}

void ForcedEdge::removeFromEngine(bool deleteAfterwards) {
  polygon_.snapshot().clear();
  if (deleteAfterwards) delete this;
}

void ForcedEdge::setWidth(int width) {
  width_ = width;
}

QImage ForcedEdge::prepareSnapshot() {
  const int resolution = GmModel::instance()->resolution();
  QPen pen(Qt::color1, resolution, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  return polygon_.prepareSnapshot(pen, QBrush(Qt::NoBrush));
}

ForcedEdgeRequest ForcedEdge::engineEdge() {
  const double scale = 1.0 / GmModel::instance()->resolution();
  const QPolygonF& line = polygon_.points();
  const bool closes = polygon_.isClosed() && line.size() > 1 && line.first() != line.last();
  points_.clear();
  points_.reserve(size_t(line.size()) + (closes ? 1 : 0));
  for (const QPointF& p : line)
    points_.push_back(CvEdgePoint{float(p.x() * scale), float(p.y() * scale)});
  if (closes) points_.push_back(points_.front());
  engineWidth_ = float(width_ * scale);
  return ForcedEdgeRequest{points_.empty() ? nullptr : points_.data(), uint32_t(points_.size()),
                           engineWidth_};
}
