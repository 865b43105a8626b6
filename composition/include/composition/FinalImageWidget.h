#pragma once

#include <QWidget>

class FinalImageViewer;
class QScrollArea;

// The "4. Final Image" tab's page: the viewer in a scroll area that follows its size. GUI
// thread only.
class FinalImageWidget : public QWidget {
  Q_OBJECT

 public:
  explicit FinalImageWidget(QWidget* parent = nullptr);

  FinalImageViewer* viewer() const { return viewer_; }
  QScrollArea* scrollArea() const { return scrollArea_; }

 public slots:
  void setFitScreen(bool fit);

 private:
  QScrollArea* scrollArea_;
  FinalImageViewer* viewer_;
};
