#pragma once

#include <memory>

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>

#include "workspace/GmTool.h"

class QComboBox;
class QGradient;
class QImage;
class QPaintDevice;
class QGraphicsPixmapItem;
class QLabel;
class QPushButton;
class QSlider;
class ToolPaletteButton;
class ZarvoGrabHandleBase;
class ZarvoWidget;
struct BackgroundToolPrivate;

// "Choose Background": renders the picture's background layer, a pixmap exactly the canvas's
// size, hands it to the hub and shows it in the composition scene behind the items (z 1). Six
// types: one colour; three two-colour gradients ("Wavy" linear, "Curly" radial, "Fan" conical)
// steered by two grab handles on the canvas; an image file, turned upright; a library image.
// The background is rendered again on every change of canvas, type, colour, radius or handle.
//
// Images are read with the guarded reader: over its pixel limit is refused with a message and
// nothing changes; a shorter side over 3200 pixels is decoded at 3200, which the covering crop of
// a canvas of at most 1600 pixels cannot show. The size announced to the hub is the file's own
// (upright). Colours go through the workspace host's colour dialog, files and the library
// through the composition host. GUI thread only.
class BackgroundTool : public GmTool {
  Q_OBJECT

 public:
  enum Type { OneColor, Wavy, Curly, Fan, ImageFromFile, ImageFromLibrary };
  // Twice the largest canvas side: an image's shorter side is decoded at most this long.
  static constexpr int kMaxDecodedShorterSide = 3200;

  // `view` is the composition view (borrowed): its scene receives the background item and the
  // handles, and it parents the file dialog. Null only in tests that need no scene.
  explicit BackgroundTool(ZarvoWidget* view, QActionGroup* group = nullptr, QWidget* menu = nullptr,
                          ToolOptions* options = nullptr);
  ~BackgroundTool() override;

  ImageView::ViewTabs viewTabs() const override;
  int defaultViewTab() const override;
  // The handles show for gradient types while the tool is current, and the cut-out instances
  // are selectable.
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  virtual QWidget* createOptionsWidget();

  // The source rectangle of an image of `image` size that covers a `target` of another aspect:
  // the whole of one side and a centred band of the other, never empty.
  static QRect coveringSource(const QSize& image, const QSize& target);
  // Draws `image` over the whole of `target`, its aspect kept, overhangs cut equally.
  static void drawImageCovering(const QPixmap& image, QPaintDevice& target);
  // Fills the whole of `image` with `gradient` (image pixels), in row bands on several threads;
  // the pixels are those one painter over the image gives.
  static void fillGradient(QImage& image, const QGradient& gradient);
  // The paint bucket with its paint in `colour`, as the colour buttons show it.
  QPixmap colourIcon(const QColor& colour) const;

  // ---- What tests and the main window read.
  QComboBox* typeCombo() const;
  ToolPaletteButton* colour1Button() const;
  ToolPaletteButton* colour2Button() const;
  QLabel* colour1Label() const;
  QLabel* colour2Label() const;
  QSlider* radiusSlider() const;
  QPushButton* chooseFileButton() const;
  QLabel* fileLabel() const;
  QPushButton* chooseImageButton() const;
  QLabel* libraryLabel() const;
  // Owned by the scene, which is the view's; null when there is no view or once it is gone.
  QGraphicsPixmapItem* backgroundItem() const;
  ZarvoGrabHandleBase* handle1() const;
  ZarvoGrabHandleBase* handle2() const;
  QColor colour1() const;
  QColor colour2() const;
  int currentType() const;
  // The last background rendered (null before the first).
  QPixmap background() const;

 signals:
  // The size of the background image, or QSize(-1, -1) when the background is no longer one.
  void backgroundSizeChanged(const QSize& size);
  void backgroundChanged(const QPixmap& background);
  // Right after every backgroundSizeChanged: the image whose size was sent, or a null pixmap.
  void backgroundPixmapChanged(const QPixmap& image);

 public slots:
  void chooseColour1();
  void canvasChangedSlot(const QRect& newRect, const QRect& oldRect);
  void typeChangedSlot(int index);
  void updateBackground();
  void enableButtons();
  void chooseColour2();
  // True exactly when a new image was stored.
  bool chooseFile();
  bool chooseImage();
  // White and light grey, one colour, handles at the canvas centre +- 40 pixels, no images.
  void reset();

 private:
  // A handle was dragged: the callback of both handles.
  void handleMoved(const QPointF& scenePoint, Qt::KeyboardModifiers modifiers);
  void setColour1(const QColor& colour);
  void setColour2(const QColor& colour);
  void revertType();
  void announceImage(const QSize& size, const QPixmap& image);
  // The scene is going and deletes its items: forget them.
  void forgetItems();

  std::unique_ptr<BackgroundToolPrivate> d;
};
