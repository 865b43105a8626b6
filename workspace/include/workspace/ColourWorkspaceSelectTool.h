#pragma once

#include <QColor>
#include <QImage>

#include "workspace/GmTool.h"

// The colour workspace's pick tool ("Pick Colors"): a left press on the photo picks the colour
// of the working pixel under it, with the keyboard modifiers of the press, for the colour
// display. A tool of the "1. Delete Background" tab with a cross cursor, usable with an image.
// Selecting it keeps the colour highlight: it is the tool that builds it. GUI thread.
class ColourWorkspaceSelectTool : public GmTool {
  Q_OBJECT

 public:
  explicit ColourWorkspaceSelectTool(QActionGroup* group = nullptr, QWidget* menu = nullptr,
                                     ToolOptions* options = nullptr);

  // The working image picked from (shared); null: presses pick nothing.
  void setColourImage(const QImage& image) { colourImage_ = image; }
  const QImage& colourImage() const { return colourImage_; }

  QCursor cursor() const override;
  void mousePressEvent(QMouseEvent* event, const QPointF& point) override;
  bool clearsColourHighlight() const override { return false; }
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;

 signals:
  void colourPicked(QColor colour, Qt::KeyboardModifiers modifiers);

 private:
  QImage colourImage_;
};
