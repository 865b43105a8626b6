// A window that shows the composition for a look by eye: the canvas with a background and four
// instances of a seeded cut-out, the select, pan and zoom tools, the background and image-size
// tools and the effect tools with their options, and the final picture on a tab of its own. The
// presets and the background library are those the build puts beside the program. Not shipped.
//
//   zarvo-composition-demo [--tool select|pan|zoom|background|size|shadow|sharpen|highlight|
//                                  compress|logo]
//                          [--zoom <scale>] [--final] [--actual] [--rtl]
//                          [--background colour|wavy|curly|fan|library] [--chooser]
//                          [--effects] [--shadow flat|standing] [--direction <0..99>]
//                          [--sharpen <1..5>] [--dabs <n>] [--logo] [--transparency <0..224>]
//                          [--grab <file.png>] [--quit-after <ms>]
//
// --background sets the background type (the library's first image for "library"), in a sky's
// colours; "wavy" unless given, a calm ground for the instances. --chooser opens the background
// library's chooser beside the window.
// --effects shows the canvas as on "3. Add Effects" (the flattened cut-out with the shadow's
// preview); --dabs paints a stroke of n highlight dabs once the cut-out's highlit copy is there;
// --logo places a drawn logo through the tool's file dialog. --grab writes the window to a PNG
// once the final picture has settled, then quits.

#include <cmath>
#include <map>
#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QDir>
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
#include "composition/CompressTool.h"
#include "composition/FinalImageWidget.h"
#include "composition/ImageLibraryChooserDialog.h"
#include "composition/ImageSizeTool.h"
#include "composition/LibraryModel.h"
#include "composition/ZarvoGrabHandleBase.h"
#include "composition/FinalOptionsTool.h"
#include "composition/HighlightBrushTool.h"
#include "composition/ImportLogoTool.h"
#include "composition/ShadowTool.h"
#include "composition/SharpenImageTool.h"
#include "composition/ZarvoPanTool.h"
#include "composition/ZarvoSelectTool.h"
#include "composition/ZarvoZoomTool.h"
#include "kestrum/qt/AppPaths.h"
#include "workspace/ToolOptions.h"
#include "workspace/ToolPaletteButton.h"
#include "workspace/WorkspaceHost.h"

namespace {

// The windows' services for the demonstration: the file dialog answers the demonstration's own
// logo, the library chooser the library's first image, and the colour dialog a sky's two
// colours in turn.
class DemoHosts : public WorkspaceHost, public CompositionHost {
 public:
  DemoHosts() { setWorkspaceHost(this); }
  ~DemoHosts() override { setWorkspaceHost(nullptr); }
  QString logoFile;

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
    return logoFile;
  }
  QString libraryImage(const QString&) override {
    return LibraryModel::instance()->files().value(0);
  }
  bool preparePrinter(QPrinter&) override { return false; }

 private:
  int colours_ = 0;
};

// A badge with a wordmark, on a transparent ground, wider than the tool's 200-pixel limit.
QString drawLogo(const QString& folder) {
  QImage logo(320, 120, QImage::Format_ARGB32);
  logo.fill(Qt::transparent);
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(255, 255, 255), 6));
  painter.setBrush(QColor(200, 40, 60));
  painter.drawRoundedRect(QRectF(6, 6, 308, 108), 24, 24);
  QFont font = painter.font();
  font.setPixelSize(64);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(logo.rect(), Qt::AlignCenter, "LOGO");
  painter.end();
  const QString file = QDir(folder).filePath("demo-logo.png");
  logo.save(file);
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  // Settings and temporary files of its own, gone at exit: nothing of a look by eye reaches the
  // user's configuration.
  const IsolatedRun run("demo", false);
  if (!run.ok()) return 3;
  QApplication application(argc, argv);
  QApplication::setOrganizationName("OrbelTech");
  QApplication::setApplicationName("Zarvo");

  QString toolName = "select", grabFile, shadowType, backgroundType = "wavy";
  double zoom = 0;
  bool final = false, actual = false, effects = false, withLogo = false, chooser = false;
  int quitAfter = 0, direction = -1, sharpenLevel = 0, dabs = 0, transparency = 0;
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
    } else if (argument == "--rtl") {
      QApplication::setLayoutDirection(Qt::RightToLeft);
    } else if (argument == "--grab") {
      grabFile = next, ++i;
    } else if (argument == "--quit-after") {
      quitAfter = next.toInt(), ++i;
    } else if (argument == "--effects") {
      effects = true;
    } else if (argument == "--shadow") {
      shadowType = next, ++i;
    } else if (argument == "--direction") {
      direction = next.toInt(), ++i;
    } else if (argument == "--sharpen") {
      sharpenLevel = next.toInt(), ++i;
    } else if (argument == "--dabs") {
      dabs = next.toInt(), ++i;
    } else if (argument == "--logo") {
      withLogo = true;
    } else if (argument == "--transparency") {
      transparency = next.toInt(), ++i;
    } else if (argument == "--background") {
      backgroundType = next, ++i;
    } else if (argument == "--chooser") {
      chooser = true;
    }
  }

  kestrum::setAppDirOverride(QStringLiteral(ZARVO_PROGRAM_DIR));
  DemoHosts host;
  int result = 0;
  {
    // The options panel joins the window's tool bar below. The size tool is made before the
    // canvas, so that its first size (an empty canvas's) moves no instance.
    auto* options = new ToolOptions;
    ImageSizeTool sizeTool(nullptr, nullptr, options);
    canvas_scene::CompositionScene scene(1600, QSize(1200, 900));
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
    ShadowTool shadow(view, nullptr, toolBar, options);
    SharpenImageTool sharpen(nullptr, toolBar, options);
    HighlightBrushTool highlight(view, nullptr, toolBar, options);
    CompressTool compress(finalPage, nullptr, toolBar, options);
    ImportLogoTool logo(view, nullptr, toolBar, options);
    // The background tool's layer covers the scene's own ground, and reaches the hub.
    BackgroundTool background(view, nullptr, toolBar, options);
    toolBar->addAction(sizeTool.action());
    // The main window's connections.
    QObject::connect(&sharpen, &SharpenImageTool::imageSharpened, &highlight,
                     &HighlightBrushTool::imageSharpened);
    host.logoFile = drawLogo(QString::fromStdString(run.root()));
    setCompositionHost(&host);
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
    const std::map<QString, GmTool*> tools = {
        {"select", &select},     {"pan", &pan},         {"zoom", &zoomTool},
        {"shadow", &shadow},     {"sharpen", &sharpen}, {"highlight", &highlight},
        {"compress", &compress}, {"logo", &logo},       {"background", &background},
        {"size", &sizeTool}};
    if (effects) {
      view->viewTabChangedSlot(ImageView::AddEffects);
      shadow.viewTabChangedSlot(ImageView::AddEffects);
    }
    const auto chosen = tools.find(toolName);
    (chosen != tools.end() ? chosen->second : &select)->installSlot();
    // The flattened cut-out reaches the effects once its instances have settled.
    view->cutoutController()->regenerateLayer();
    if (shadowType == "standing") shadow.typeBox()->setCurrentIndex(1);
    if (shadowType == "flat") shadow.typeBox()->setCurrentIndex(2);
    if (direction >= 0) shadow.directionDial()->setValue(direction);
    if (sharpenLevel > 0) sharpen.levelSlider()->setValue(sharpenLevel);
    if (withLogo) {
      logo.addLogo();
      logo.transparencySlider()->setValue(transparency);
    }
    // Dabs on the cut-out once its highlit copy is there.
    QTimer dabber;
    QObject::connect(&dabber, &QTimer::timeout, [&] {
      if (highlight.highlightState() != 2) return;
      dabber.stop();
      const QSize size = highlight.source().size();
      highlight.sizeSlider()->setValue(25);
      highlight.intensitySlider()->setValue(80);
      // A wavy stroke of overlapping dabs, 8 pixels apart, from left of the middle.
      for (int i = 0; i < dabs; ++i)
        highlight.addPoint(QPointF(size.width() * 0.4 + 8.0 * i,
                                   size.height() * 0.45 + 40.0 * std::sin(i * 0.08)));
    });
    if (dabs > 0) dabber.start(50);
    if (zoom > 0) view->zoomToSlot(zoom, QPointF(800, 800));
    if (final) tabs->setCurrentWidget(finalPage);
    if (actual) finalPage->setFitScreen(false);

    // The grab waits until the pictures have stopped coming for a moment.
    QTimer grabber;
    grabber.setSingleShot(true);
    grabber.setInterval(800);
    QObject::connect(&grabber, &QTimer::timeout, [&] {
      window.grab().save(grabFile);
      application.quit();
    });
    if (!grabFile.isEmpty())
      QObject::connect(ZarvoObject::instance(), &ZarvoObject::updateImage, &grabber,
                       QOverload<>::of(&QTimer::start));
    std::unique_ptr<ImageLibraryChooserDialog> libraryChooser;
    if (chooser) {
      libraryChooser = std::make_unique<ImageLibraryChooserDialog>(
          LibraryModel::instance()->files().value(2), &window);
      libraryChooser->move(window.geometry().topRight() - QPoint(460, -120));
      libraryChooser->show();
    }
    if (quitAfter > 0) QTimer::singleShot(quitAfter, &application, &QApplication::quit);
    result = application.exec();
    setCompositionHost(nullptr);
    libraryChooser.reset();
    // The window's tab page is the view: it goes with the window, before the scene's owners.
    delete tabs;
  }
  return result;
}
