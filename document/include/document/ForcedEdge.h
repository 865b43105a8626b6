#pragma once

#include <vector>

#include <QImage>
#include <QObject>
#include <QPolygonF>
#include <QVariantMap>

#include "Corvane.h"
#include "document/ArrowTarget.h"
#include "document/Polygon.h"

// A user-drawn polyline along which the mask is cut sharply: the engine receives it as a
// selection of status 16, and mask generation as a list of points with a width. GUI thread.
class ForcedEdge : public QObject, public ArrowTarget {
  Q_OBJECT

 public:
  // `width` in image pixels.
  ForcedEdge(const QPolygonF& points, int openness, int width);
  // From a stored entry: "poly_" and "width_".
  explicit ForcedEdge(const QVariantMap& map);

  ts::Polygon& shape() override { return polygon_; }
  const ts::Polygon& shape() const override { return polygon_; }
  ForcedEdge* toForcedEdge() override { return this; }
  bool isForcedEdge() const override { return true; }
  void activate() override;
  void deactivate() override;
  bool isActive() const override;
  // Queues the edge's selection ("Creating Forced Edge...").
  void submitToEngine() override;
  QVariantMap toVariant() const override;
  // Discards the snapshot; sends nothing.
  void removeFromEngine(bool deleteAfterwards = false) override;

  int width() const { return width_; }
  // Changes nothing in the engine until the edge is sent again.
  void setWidth(int width);

  // The snapshot's mask: the line one working pixel wide (rendered when there is none yet).
  QImage prepareSnapshot();
  // The record mask generation takes, refreshed from the polyline: points in working
  // coordinates, a closed polyline ending on its first point again, the width in working
  // pixels. Points to storage of the edge, valid until its next call or the edge's deletion.
  ForcedEdgeRequest engineEdge();

 private:
  ts::Polygon polygon_;
  int width_ = 0;
  std::vector<CvEdgePoint> points_;
  float engineWidth_ = 0;
};
