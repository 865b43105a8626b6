// The main window as it is built: menus by start-up mode, shortcuts, palette, sub-windows, the
// title, and the window state written at closing.

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QShortcut>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

#include "support/MainWindowFixture.h"
#include "workspace/BrushingTool.h"
#include "workspace/ComplexExactTool.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteExactTool.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/EdgeBlendingTool.h"
#include "workspace/EdgeFindingTool.h"
#include "workspace/EraseExactTool.h"
#include "workspace/GmSubWindow.h"
#include "workspace/NavigatorWindow.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"
#include "workspace/ProgressWindow.h"
#include "workspace/TipWindow.h"
#include "workspace/ToolBarPalette.h"
#include "workspace/ZoomTool.h"

namespace {

// A menu's entries by text; "-" for a separator.
QStringList entries(const QMenu* menu) {
  QStringList texts;
  for (const QAction* action : menu->actions())
    texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
  return texts;
}

struct MenuRow {
  const char* name;
  int mode;
  QStringList file;
};

void PrintTo(const MenuRow& row, std::ostream* out) {
  *out << row.name;
}

class MainWindowMenus : public MainWindowTest, public ::testing::WithParamInterface<MenuRow> {};

TEST_P(MainWindowMenus, TheFileMenuFollowsTheMode) {
  const MenuRow& row = GetParam();
  start(row.mode);
  const TsMainWindow::Menus& menus = window->menus();
  EXPECT_EQ(entries(menus.file), row.file);
  EXPECT_EQ(menus.recentFiles != nullptr, row.mode == TsApp::Normal);
  QStringList bar;
  for (const QAction* action : window->menuBar()->actions()) bar << action->text();
  EXPECT_EQ(bar, QStringList({"&File", "&Brush", "&View", "&Window", "&Help"}));
  EXPECT_EQ(entries(menus.window), QStringList({"Tip", "Vuvidarir Viewer"}));
  EXPECT_EQ(entries(menus.view).mid(0, 7),
            QStringList({"Show Object &Edges", "-", "Zoom &In", "Zoom &Out", "Actual Pixels",
                         "&Fit on Screen", "-"}));
  // The menus' own shortcuts live on the window itself, for a screen mode without the menu bar.
  for (QMenu* menu : {menus.file, menus.help})
    for (QAction* action : menu->actions()) EXPECT_TRUE(window->actions().contains(action));
  EXPECT_TRUE(window->actions().contains(window->mainActions().zoomIn));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, MainWindowMenus,
    ::testing::Values(
        MenuRow{"normal",
                TsApp::Normal,
                {"New &Cut-out...", "&Discard Cut-out", "&Export Final Image",
                 "&Export Final Image &As...", "-", "Recent &Files", "-", "E&xit Zarvo"}},
        MenuRow{"sharedMemory", TsApp::SharedMemory, {"&Save and Apply", "-", "E&xit Zarvo"}},
        MenuRow{"aperture", TsApp::Aperture, {"&Save and Apply", "-", "E&xit Zarvo"}}),
    [](const ::testing::TestParamInfo<MenuRow>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, SaveAndApplyNeedsKeepOrDeleteAndCtrlSTriggersIt) {
  start(TsApp::XmlPipe);
  EXPECT_EQ(GmModel::instance()->segImage(), nullptr) << "a control file hands over no image";
  QAction* apply = window->mainActions().saveAndApply;
  ASSERT_NE(apply, nullptr);
  const struct {
    int statuses;
    bool enabled;
  } rows[] = {{0, false},
              {CvStatusInPicture | CvStatusBlend, false},
              {CvStatusDelete, true},
              {CvStatusKeep | CvStatusBlend, true}};
  for (const auto& row : rows) {
    window->statusesPresentChangedSlot(CvPixelStatus(row.statuses));
    EXPECT_EQ(apply->isEnabled(), row.enabled) << row.statuses;
  }
  app->setHostExitCode(2);
  activate();
  QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
  // Applied and closed without a question, handing the picture back.
  EXPECT_TRUE(zarvo_test::waitFor([this] { return window.isNull(); }));
  EXPECT_TRUE(dialogs.shown.isEmpty());
  EXPECT_EQ(app->hostExitCode(), 0);
}

TEST_F(MainWindowTest, ShortcutsZoomAndRedoAsTheirKeysSay) {
  start();
  const TsMainWindow::Actions& actions = window->mainActions();
  const auto keys = [](const QAction* action) {
    QStringList texts;
    for (const QKeySequence& key : action->shortcuts()) texts << key.toString();
    return texts;
  };
  EXPECT_EQ(keys(actions.zoomIn), QStringList({"Ctrl++", "Ctrl+=", "+", "="}));
  EXPECT_EQ(keys(actions.zoomOut), QStringList({"Ctrl+-", "-"}));
  EXPECT_EQ(actions.redo->shortcut().toString(), "Ctrl+Y");
  EXPECT_EQ(actions.undo->toolTip(), "Undo (Ctrl+Z)");

  open(photo());
  activate();
  QSignalSpy zoomedIn(actions.zoomIn, &QAction::triggered);
  QSignalSpy zoomedOut(actions.zoomOut, &QAction::triggered);
  for (const char* key : {"Ctrl++", "Ctrl+=", "+", "="}) {
    // Zoomed in as far as it goes, the action is disabled: out again first.
    window->navigatorWindow()->zoomOutSlot();
    QTest::keySequence(window, QKeySequence(key));
  }
  for (const char* key : {"Ctrl+-", "-"}) {
    window->navigatorWindow()->zoomInSlot();
    QTest::keySequence(window, QKeySequence(key));
  }
  EXPECT_EQ(zoomedIn.count(), 4);
  EXPECT_EQ(zoomedOut.count(), 2);

  // "]" and "[" size every brush, from no menu.
  const int size = BrushingTool::brushSize();
  QTest::keyClick(window, Qt::Key_BracketRight);
  EXPECT_GT(BrushingTool::brushSize(), size);
  QTest::keyClick(window, Qt::Key_BracketLeft);
  QTest::keyClick(window, Qt::Key_BracketLeft);
  EXPECT_LT(BrushingTool::brushSize(), size);

  // Ctrl+Shift+Z redoes though Redo has nothing to redo (and is disabled).
  ASSERT_FALSE(actions.redo->isEnabled());
  QStringList started;
  QObject listening;
  QObject::connect(thread(), &CorvaneThread::commandStarted, &listening,
                   [&](CorvaneCommand* command) { started << command->description(); });
  QTest::keySequence(window, QKeySequence("Ctrl+Shift+Z"));
  waitIdle();
  ASSERT_FALSE(started.isEmpty());
  EXPECT_EQ(started.first().toStdString(), "Redoing...");
}

TEST_F(MainWindowTest, ThePaletteListsTheCutoutEntriesInOrder) {
  start();
  ToolBarPalette* palette = window->palette();
  EXPECT_EQ(palette->objectName(), "zarvoBar");
  EXPECT_EQ(window->toolBarArea(palette), Qt::LeftToolBarArea);
  EXPECT_FALSE(palette->isMovable());
  const CutoutTools* tools = window->tools();
  const QList<QAction*> order = {
      tools->deleteLocalTool()->action(),  tools->deleteExactTool()->action(),
      tools->complexExactTool()->action(), tools->eraseExactTool()->action(),
      window->mainActions().undo,          window->mainActions().redo,
      tools->edgeFindingTool()->action(),  tools->edgeBlendingTool()->action(),
      tools->panTool()->action(),          tools->zoomTool()->action()};
  QList<QAction*> shown;
  for (QAction* action : palette->actions())
    if (order.contains(action)) shown << action;
  EXPECT_EQ(shown, order);
  EXPECT_EQ(GmTool::current(), static_cast<GmTool*>(tools->noTool()))
      << "the default tool is current from the start";
}

TEST_F(MainWindowTest, SubWindowTogglesFollowTheViewTab) {
  start();
  ASSERT_EQ(window->subWindows(),
            QList<GmSubWindow*>({window->tipWindow(), window->progressWindow()}));
  EXPECT_EQ(window->tipWindow()->objectName(), "tipWindow_");
  EXPECT_EQ(window->progressWindow()->objectName(), "progressWindow_");
  EXPECT_EQ(window->progressWindow()->toggleAction()->shortcut().toString(), "F6");
  EXPECT_EQ(window->tipWindow()->toggleAction()->shortcut().toString(), "Ctrl+T");
  for (GmSubWindow* sub : window->subWindows()) EXPECT_TRUE(sub->toggleAction()->isEnabled());
  // A composition tab: the viewer belongs to the cut-out tab only.
  emit window->imageView()->viewTabChanged(ImageView::ComposePicture);
  EXPECT_TRUE(window->tipWindow()->toggleAction()->isEnabled());
  EXPECT_FALSE(window->progressWindow()->toggleAction()->isEnabled());
  emit window->imageView()->viewTabChanged(ImageView::DeleteBackground);
  EXPECT_TRUE(window->progressWindow()->toggleAction()->isEnabled());
  // Docked beside the view, the viewer shown once the default state is applied.
  EXPECT_TRUE(zarvo_test::waitFor([this] { return window->progressWindow()->isVisible(); }));
  EXPECT_FALSE(window->progressWindow()->isFloating());
  EXPECT_TRUE(window->tipWindow()->shownHtml().contains("Welcome to <b>Zarvo</b>&mdash;"));
}

TEST_F(MainWindowTest, TheTitleNamesTheImageItsSizeAndTheZoom) {
  start();
  EXPECT_EQ(window->windowTitle(), "Zarvo");
  open(photo("disc.png", QSize(320, 240)));
  const QRegularExpression title("^Zarvo: disc\\.png \\(320 x 240\\) @ (\\d+\\.\\d)%$");
  QRegularExpressionMatch match = title.match(window->windowTitle());
  ASSERT_TRUE(match.hasMatch()) << qPrintable(window->windowTitle());
  window->imageView()->zoomToSlot(0.5);
  EXPECT_EQ(window->windowTitle(), "Zarvo: disc.png (320 x 240) @ 50.0%");
  // The image gone: the title, the enabledness and the tool follow.
  window->fileHandler()->cutoutDiscardSlot();
  waitIdle();
  EXPECT_EQ(window->windowTitle(), "Zarvo");
  for (QAction* action : {window->mainActions().exportFinalImage, window->mainActions().zoomIn,
                          window->mainActions().showEdges})
    EXPECT_FALSE(action->isEnabled()) << qPrintable(action->text());
  EXPECT_EQ(GmTool::current(), static_cast<GmTool*>(window->tools()->noTool()));
}

TEST_F(MainWindowTest, ClosingWritesTheWindowStateAndTheNextStartIsMaximisedInMode0) {
  start();
  window->toggleScreenModeSlot();
  window->toggleScreenModeSlot();
  ASSERT_EQ(window->screenMode(), 2);
  closeWindow();
  QSettings settings;
  EXPECT_EQ(settings.value("PersistVersion").toInt(), 2);
  EXPECT_FALSE(settings.value("UI/Geometry").toByteArray().isEmpty());
  EXPECT_EQ(settings.value("UI/ScreenMode").toInt(), 2);
  EXPECT_FALSE(settings.value("UI/ChildState").toByteArray().isEmpty());
  EXPECT_EQ(settings.value("UI/SubWindows/tipWindow_").toByteArray().left(1), QByteArray(1, '\1'));
  EXPECT_TRUE(settings.contains("UI/SubWindows/progressWindow_"));
  EXPECT_TRUE(settings.value("UI/Maximized").toBool()) << "taken when mode 0 was left";
  EXPECT_TRUE(settings.value("UI/NormalGeometry").toRect().isValid());
  EXPECT_TRUE(settings.contains("UI/ZarvoZarvo/")) << "the composition widget exists";
  EXPECT_TRUE(settings.value("UI/ZarvoZarvo/").toList().isEmpty());

  start();
  EXPECT_TRUE(window->isMaximized());
  EXPECT_EQ(window->screenMode(), 0);
  EXPECT_FALSE(window->windowState() & Qt::WindowFullScreen);
  EXPECT_TRUE(window->menuBar()->isVisible());
}

}  // namespace
