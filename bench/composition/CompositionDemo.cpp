// A window that shows the composition for a look by eye: the canvas with a background and four
// instances of a seeded cut-out, the select, pan and zoom tools with their options, and the
// final picture on a tab of its own. Not shipped.
//
//   zarvo-composition-demo [--tool select|pan|zoom] [--zoom <scale>] [--final] [--actual]
//                          [--rtl] [--grab <file.png>] [--quit-after <ms>]
//
// --grab writes the window to a PNG once the final picture has arrived, then quits.

#include <QApplication>
#include <QLinearGradient>
#include <QMainWindow>
#include <QPainter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

#include "CanvasScene.h"
#include "IsolatedRun.h"
#include "composition/FinalImageWidget.h"
#include "composition/FinalOptionsTool.h"
#include "composition/ZarvoPanTool.h"
#include "composition/ZarvoSelectTool.h"
#include "composition/ZarvoZoomTool.h"
#include "workspace/ToolOptions.h"

int main(int argc, char** argv) {
  // Settings and temporary files of its own, gone at exit: nothing of a look by eye reaches the
  // user's configuration.
  const IsolatedRun run("demo", false);
  if (!run.ok()) return 3;
  QApplication application(argc, argv);
  QApplication::setOrganizationName("OrbelTech");
  QApplication::setApplicationName("Zarvo");

  QString toolName = "select", grabFile;
  double zoom = 0;
  bool final = false, actual = false;
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
    } else if (argument == "--rtl") {
      QApplication::setLayoutDirection(Qt::RightToLeft);
    } else if (argument == "--grab") {
      grabFile = next, ++i;
    } else if (argument == "--quit-after") {
      quitAfter = next.toInt(), ++i;
    }
  }

  int result = 0;
  {
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

    auto* options = new ToolOptions;
    auto* optionsBar = new QToolBar("Options");
    optionsBar->addWidget(options);
    window.addToolBar(Qt::TopToolBarArea, optionsBar);
    auto* toolBar = new QToolBar("Tools");
    window.addToolBar(Qt::LeftToolBarArea, toolBar);
    ZarvoSelectTool select(view, nullptr, toolBar, options);
    ZarvoPanTool pan(view, nullptr, toolBar, options);
    ZarvoZoomTool zoomTool(view, nullptr, toolBar, options);
    FinalOptionsTool finalOptions(finalPage, nullptr, nullptr, options);
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
    if (quitAfter > 0) QTimer::singleShot(quitAfter, &application, &QApplication::quit);
    result = application.exec();
    // The window's tab page is the view: it goes with the window, before the scene's owners.
    delete tabs;
  }
  return result;
}
