#pragma once

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QRect>
#include <QString>

#include "workspace/GmTool.h"

class ZarvoImageItem;
class ZarvoWidget;

// "Import Logo" on the "2. Compose Picture" tab: one logo from a file (at most 200 pixels a
// side), placed on the canvas as an image item the user moves and sizes while the tool is
// current, made partly transparent, replaced or removed. Every change renders the item into
// the hub's logo layer at its canvas position. Canvas changes reach the item through this
// tool alone: it keeps its relative place and size. A file that cannot be used is named in a
// message and changes nothing. GUI thread only.
//
// Surface: constructed with the composition view; the hub's canvasChanged, zarvoReset and
// logoUpdated are connected here.
class ImportLogoTool : public GmTool {
  Q_OBJECT

 public:
  static constexpr int kMaxLogoSide = 200;
  static constexpr int kMaxTransparency = 224;

  // `view` is the composition view (borrowed, may be null: nothing to place the logo on).
  explicit ImportLogoTool(ZarvoWidget* view, QActionGroup* group = nullptr, QWidget* menu = nullptr,
                          ToolOptions* options = nullptr);
  ~ImportLogoTool() override;

  ImageView::ViewTabs viewTabs() const override;
  int defaultViewTab() const override;
  // The logo is movable, with its handles, exactly while the tool is current.
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  virtual QWidget* createOptionsWidget();

  ZarvoImageItem* logoItem() const { return logo_; }
  const QPixmap& logoPixmap() const { return pixmap_; }
  QPushButton* addButton() const { return add_; }
  QPushButton* removeButton() const { return remove_; }
  QSlider* transparencySlider() const { return transparency_; }

 signals:
  // The rendered logo at its canvas position; a null image at (0, 0) when there is none.
  void logoUpdated(const QImage& image, const QPoint& topLeft);

 public slots:
  // Asks for a file through the composition host and shows (or replaces) the logo.
  void addLogo();
  void removeLogo();
  void canvasChangedSlot(const QRect& newRect, const QRect& oldRect);
  void setAlpha();
  void updateLogoImage();
  // The hub's settling: a move or scale whose notice is still pending is sent now.
  void settle(bool* finished);

 private:
  // The item keeps inside `canvas`, at most half its shorter side large.
  void limitTo(const QRect& canvas);
  void refuse(const QString& file, const QString& reason);

  ZarvoImageItem* logo_ = nullptr;  // on the view's scene, which deletes it if it goes first
  QPointer<QPushButton> remove_;
  QPointer<QPushButton> add_;
  QPointer<QSlider> transparency_;
  QString helpPage_;
  QPointer<ZarvoWidget> view_;
  QPixmap pixmap_;
  // The folder of the last logo chosen, for the next file dialog; not kept in the settings.
  // The window's one tool keeps it for the process.
  QString lastFolder_;
};
