// A window that shows the composition for a look by eye: the canvas with a background and four
// instances of a seeded cut-out, the select, pan, zoom, background and image-size tools with
// their options, and the final picture on a tab of its own. The presets and the background
// library are those the build puts beside the program. Not shipped.
//
//   zarvo-composition-demo [--tool select|pan|zoom|background|size] [--zoom <scale>] [--final]
//                          [--actual] [--background colour|wavy|curly|fan|library]
//                          [--chooser] [--rtl] [--grab <file.png>] [--quit-after <ms>]
//
// --background sets the background type (the library's first image for "library"); its colours
// are a sky's. --chooser opens the background library's chooser beside the window. --grab writes
// the window to a PNG once the final picture has arrived, then quits.

#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QLinearGradient>
#include <QMainWindow>
#include <QPainter>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

#include "CanvasScene.h"
#include "IsolatedRun.h"
#include "composition/BackgroundTool.h"
#include "composition/CompositionHost.h"
#include "composition/FinalImageWidget.h"
#include "composition/ImageLibraryChooserDialog.h"
#include "composition/ImageSizeTool.h"
#include "composition/LibraryModel.h"
#include "composition/ZarvoGrabHandleBase.h"
#include "composition/FinalOptionsTool.h"
#include "composition/ZarvoPanTool.h"
#include "composition/ZarvoSelectTool.h"
#include "composition/ZarvoZoomTool.h"
#include "kestrum/qt/AppPaths.h"
#include "workspace/ToolOptions.h"
#include "workspace/ToolPaletteButton.h"
#include "workspace/WorkspaceHost.h"

namespace {

// The colour dialog answers a sky's two colours in turn; the library chooser its first image.
class DemoHosts : public WorkspaceHost, public CompositionHost {
 public:
  DemoHosts() {
    setWorkspaceHost(this);
    setCompositionHost(this);
  }
  ~DemoHosts() override {
    setWorkspaceHost(nullptr);
    setCompositionHost(nullptr);
  }
  QWidget* mainWindow() const override { return nullptr; }
  ImageView* imageView() const override { return nullptr; }
  GmTool* panReturnTool() const override { return nullptr; }
  bool selectFallbackTool() override { return GmTool::selectFallbackTool(nullptr); }
  void clearColourHighlight() override {}
  bool colourHighlightShown() const override { return false; }
  QBrush canvasBackgroundBrush() const override { return Qt::white; }
  void receiveDrop(QDropEvent*) override {}
  QColor askColour(const QColor&) override {
    return colours_++ % 2 ? QColor(250, 214, 165) : QColor(70, 130, 200);
  }
  bool persistOptions() const override { return false; }
  bool useTabletPressure() const override { return false; }
  QString productName() const override { return QStringLiteral("Zarvo"); }
  QString helpRoot() const override { return QString(); }
  QString activeLanguage() const override { return QStringLiteral("en"); }

  void message(QMessageBox::Icon, const QString& title, const QString& text) override {
    qWarning().noquote() << title << ":" << text;
  }
  bool confirm(const QString&, const QString&) override { return false; }
  QString openImageFile(QWidget*, const QString&, const QString&, const QString&) override {
    return QString();
  }
  QString libraryImage(const QString&) override {
    return LibraryModel::instance()->files().value(0);
  }
  bool preparePrinter(QPrinter&) override { return false; }

 private:
  int colours_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  // Settings and temporary files of its own, gone at exit: nothing of a look by eye reaches the
  // user's configuration.
  const IsolatedRun run("demo", false);
  if (!run.ok()) return 3;
  QApplication application(argc, argv);
  QApplication::setOrganizationName("OrbelTech");
  QApplication::setApplicationName("Zarvo");

  QString toolName = "select", grabFile, backgroundType;
  double zoom = 0;
  bool final = false, actual = false, chooser = false;
  int quitAfter = 0;
  const QStringList arguments = QApplication::arguments();
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments.at(i);
    const QString next = i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
    if (argument == "--tool") {
      toolName = next, ++i;
    } else if (argument == "--zoom") {
      zoom = next.toDouble(), ++i;
    } else if (argument == "--final") {
      final = true;
    } else if (argument == "--actual") {
      actual = true;
    } else if (argument == "--background") {
      backgroundType = next, ++i;
    } else if (argument == "--chooser") {
      chooser = true;
    } else if (argument == "--rtl") {
      QApplication::setLayoutDirection(Qt::RightToLeft);
    } else if (argument == "--grab") {
      grabFile = next, ++i;
    } else if (argument == "--quit-after") {
      quitAfter = next.toInt(), ++i;
    }
  }

  kestrum::setAppDirOverride(QStringLiteral(ZARVO_PROGRAM_DIR));
  DemoHosts hosts;
  int result = 0;
  {
    // The options panel joins the window's tool bar below. The size tool is made before the
    // canvas, so that its first size (an empty canvas's) moves no instance.
    auto* options = new ToolOptions;
    ImageSizeTool sizeTool(nullptr, nullptr, options);
    canvas_scene::CompositionScene scene(1600, QSize(1200, 900));
    // A calm ground, so the instances stand out to the eye.
    QLinearGradient sky(0, 0, 0, 1600);
    sky.setColorAt(0, QColor(150, 190, 230));
    sky.setColorAt(1, QColor(235, 225, 200));
    QPixmap ground(1600, 1600);
    QPainter(&ground).fillRect(ground.rect(), sky);
    scene.background->setPixmap(ground);
    ZarvoWidget* view = scene.view.release();
    QMainWindow window;
    auto* tabs = new QTabWidget;
    tabs->addTab(view, "2. Compose Picture");
    auto* finalPage = new FinalImageWidget;
    tabs->addTab(finalPage, "4. Final Image");
    window.setCentralWidget(tabs);

    auto* optionsBar = new QToolBar("Options");
    optionsBar->addWidget(options);
    window.addToolBar(Qt::TopToolBarArea, optionsBar);
    auto* toolBar = new QToolBar("Tools");
    window.addToolBar(Qt::LeftToolBarArea, toolBar);
    ZarvoSelectTool select(view, nullptr, toolBar, options);
    ZarvoPanTool pan(view, nullptr, toolBar, options);
    ZarvoZoomTool zoomTool(view, nullptr, toolBar, options);
    FinalOptionsTool finalOptions(finalPage, nullptr, nullptr, options);
    BackgroundTool background(view, nullptr, toolBar, options);
    toolBar->addAction(sizeTool.action());
    // The scene's canvas, kept by the size tool.
    sizeTool.shapeButton("Square")->click();
    sizeTool.widthSpin()->setValue(1600);
    const QStringList types = {"colour", "wavy", "curly", "fan", "file", "library"};
    if (types.contains(backgroundType)) {
      if (backgroundType != "colour") {
        background.colour1Button()->click();
        background.colour2Button()->click();
      }
      background.typeCombo()->setCurrentIndex(types.indexOf(backgroundType));
      background.handle1()->setPos(620, 380);
      background.handle2()->setPos(980, 1250);
      background.updateBackground();
    }
    QObject::connect(GmModel::instance(), &GmModel::cursorChanged, view,
                     &ZarvoWidget::cursorChangedSlot);
    QObject::connect(GmModel::instance(), &GmModel::toolChanged, view,
                     &ZarvoWidget::toolChangedSlot);

    window.resize(1400, 1000);
    window.show();
    view->fitImageOnScreenSlot();
    if (toolName == "pan")
      pan.installSlot();
    else if (toolName == "zoom")
      zoomTool.installSlot();
    else if (toolName == "background")
      background.installSlot();
    else if (toolName == "size")
      sizeTool.installSlot();
    else
      select.installSlot();
    if (zoom > 0) view->zoomToSlot(zoom, QPointF(800, 800));
    if (final) tabs->setCurrentWidget(finalPage);
    if (actual) finalPage->setFitScreen(false);

    if (!grabFile.isEmpty()) {
      QObject::connect(ZarvoObject::instance(), &ZarvoObject::updateImage, &window, [&] {
        QTimer::singleShot(300, &window, [&] {
          window.grab().save(grabFile);
          application.quit();
        });
      });
    }
    std::unique_ptr<ImageLibraryChooserDialog> libraryChooser;
    if (chooser) {
      libraryChooser = std::make_unique<ImageLibraryChooserDialog>(
          LibraryModel::instance()->files().value(2), &window);
      libraryChooser->move(window.geometry().topRight() - QPoint(460, -120));
      libraryChooser->show();
    }
    if (quitAfter > 0) QTimer::singleShot(quitAfter, &application, &QApplication::quit);
    result = application.exec();
    libraryChooser.reset();
    // The window's tab page is the view: it goes with the window, before the scene's owners.
    delete tabs;
  }
  return result;
}
