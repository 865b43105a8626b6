#pragma once

#include <QBitmap>
#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QSize>
#include <QString>

#include "composition/ZarvoGrabHandle.h"

class BackgroundTool;
class QComboBox;
class QGraphicsPixmapItem;
class QLabel;
class QPushButton;
class QSlider;
class ToolPaletteButton;
class ZarvoWidget;

// The "Choose Background" tool's panel and state. The widgets belong to the option page; the
// background item and the handles to the view's scene while there is one (the tool forgets them
// when the scene goes first), otherwise to the tool.
struct BackgroundToolPrivate {
  QComboBox* typeCombo = nullptr;
  QLabel* colour1Label = nullptr;
  ToolPaletteButton* colour1Button = nullptr;
  QLabel* colour2Label = nullptr;
  ToolPaletteButton* colour2Button = nullptr;
  QLabel* radiusLabel = nullptr;
  QSlider* radiusSlider = nullptr;
  QPushButton* chooseFileButton = nullptr;
  QLabel* fileLabel = nullptr;
  QPushButton* chooseImageButton = nullptr;
  QLabel* libraryLabel = nullptr;
  QSize buttonIconSize{32, 32};
  QPixmap paintBucket;
  QBitmap paintBucketMask;
  QGraphicsPixmapItem* backgroundItem = nullptr;
  ZarvoGrabHandle<BackgroundTool>* handle1 = nullptr;
  ZarvoGrabHandle<BackgroundTool>* handle2 = nullptr;
  QColor colour1;
  QColor colour2;
  QPixmap fileImage;    // upright, or null
  QSize fileImageSize;  // the file's own size, upright
  QPixmap libraryImage;
  QSize libraryImageSize;
  bool active = false;
  QPointer<ZarvoWidget> view;
  int currentType = 0;
  QPixmap background;  // the last one rendered
};
