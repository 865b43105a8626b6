// The tip window: list markup and shortcuts, the application-wide event filter, menu entries
// after 700 ms, links through the desktop's URL handler, the tool just selected, and silence
// without a tip window.

#include <QDesktopServices>
#include <QHelpEvent>
#include <QMenu>
#include <QStyleFactory>
#include <QToolButton>
#include <QUrl>
#include <QWhatsThis>

#include "UrlCatcher.h"
#include "WaitFor.h"
#include "WorkspaceTestSupport.h"
#include "workspace/Browser.h"
#include "workspace/ShowMenuActionWhatsThis.h"
#include "workspace/TipWindow.h"
#include "workspace/TsAppStyle.h"

namespace {

class HelpHost : public FakeWorkspaceHost {
 public:
  QString helpRoot() const override { return root; }
  QString root = "http://help.example/zarvo";
};

class TipWindowTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    tips = std::make_unique<TipWindow>();
    TipWindow::setTipText("start");
  }
  void TearDown() override {
    tips.reset();
    DocumentTest::TearDown();
  }
  // Sends a help request; true when the tip window consumed it (the widget never saw it).
  static bool ask(QWidget* widget, QEvent::Type type, const QPoint& pos = QPoint(2, 2)) {
    struct Witness : QObject {
      bool eventFilter(QObject*, QEvent* event) override {
        reached |= event->type() == QEvent::WhatsThis || event->type() == QEvent::ToolTip;
        return false;
      }
      bool reached = false;
    } witness;
    widget->installEventFilter(&witness);
    QHelpEvent event(type, pos, widget->mapToGlobal(pos));
    QApplication::sendEvent(widget, &event);
    widget->removeEventFilter(&witness);
    return !witness.reached;
  }
  QString shown() const { return tips->shownHtml(); }

  HelpHost host;
  std::unique_ptr<TipWindow> tips;
};

TEST(TipTextTest, ListsBecomeBulletsAndShortcutsGoBeforeTheFirstParagraphEnd) {
  EXPECT_EQ(TipWindow::tipHtml("<ul><li><i>A</i></li><li>B</li></ul>"),
            QString("&bull; <i>A</i> <br/>&bull; B</li>"));
  struct Row {
    const char* text;
    QKeySequence keys;
    const char* result;  // null: not added
  };
  for (const Row& row :
       {Row{"<p><b>A</b></p><p>b</p>", QKeySequence("Ctrl+T"), "<p><b>A</b> (Ctrl+T)</p><p>b</p>"},
        Row{"<b>A</b> no paragraph", QKeySequence("F6"), nullptr},
        Row{"<P>A</P>", QKeySequence("F6"), nullptr}, Row{"<p>A</p>", QKeySequence(), nullptr}}) {
    QString text = row.text;
    EXPECT_EQ(TipWindow::addShortcut(text, row.keys), row.result != nullptr) << row.text;
    EXPECT_EQ(text, QString(row.result ? row.result : row.text));
  }
}

TEST_F(TipWindowTest, WhatsThisIsAlwaysAnsweredAToolTipOncePerSource) {
  QWidget window;
  auto* panel = new QWidget(&window);
  panel->setWhatsThis("<p><b>Panel</b></p><p>Holds things.</p>");
  panel->setToolTip("panel");
  auto* inner = new QWidget(panel);
  auto* action = new QAction("do", panel);
  action->setShortcut(QKeySequence("Ctrl+D"));
  panel->addAction(action);

  // The nearest help upward, with the shortcut of that widget's first action; tool tips go on.
  EXPECT_FALSE(ask(inner, QEvent::ToolTip));
  EXPECT_EQ(shown(), QString("<p><b>Panel</b> (Ctrl+D)</p><p>Holds things.</p>"));
  panel->setWhatsThis("<p>Changed</p>");
  ask(panel, QEvent::ToolTip);
  EXPECT_TRUE(shown().contains("Holds things"));
  EXPECT_TRUE(ask(panel, QEvent::WhatsThis));
  EXPECT_EQ(shown(), QString("<p>Changed (Ctrl+D)</p>"));

  // A tool button's action and a sub-window's toggle action give their shortcuts.
  QToolButton button;
  auto* brush = new QAction("Brush", &button);
  brush->setShortcut(QKeySequence("B"));
  brush->setWhatsThis("<p><b>Brush</b></p>");
  button.setDefaultAction(brush);
  ask(&button, QEvent::WhatsThis);
  EXPECT_EQ(shown(), QString("<p><b>Brush</b> (B)</p>"));
  QWidget menu;
  TipWindow newer(nullptr, &menu, "Ctrl+T");
  newer.setWhatsThis("<p><b>Tips</b></p>");
  ask(&newer, QEvent::WhatsThis);
  EXPECT_EQ(newer.shownHtml(), QString("<p><b>Tips</b> (Ctrl+T)</p>"));

  // Help ends at the window; What's This mode is left once answered.
  QWidget bare;
  TipWindow::setTipText("kept");
  QWhatsThis::enterWhatsThisMode();
  ask(new QWidget(&bare), QEvent::WhatsThis);
  EXPECT_EQ(newer.shownHtml(), QString("kept"));
  EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
}

TEST_F(TipWindowTest, LinksOpenOutsideRelativeOnesUnderTheHelpRoot) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("http", &catcher, "open");
  QDesktopServices::setUrlHandler("file", &catcher, "open");
  Browser* browser = tips->browser();
  browser->setSource(QUrl("editing/brush.htm#size"));
  browser->setSource(QUrl("http://elsewhere.example/page.htm"));
  browser->setSource(QUrl());
  host.root = "/opt/zarvo/help";
  browser->setSource(QUrl("start.htm"));
  QDesktopServices::unsetUrlHandler("http");
  QDesktopServices::unsetUrlHandler("file");
  EXPECT_EQ(catcher.opened, QList<QUrl>({QUrl("http://help.example/zarvo/editing/brush.htm#size"),
                                         QUrl("http://elsewhere.example/page.htm"),
                                         QUrl::fromLocalFile("/opt/zarvo/help/start.htm")}));
  EXPECT_TRUE(browser->source().isEmpty());
}

TEST_F(TipWindowTest, TheToolJustSelectedShowsItsHelpWithItsShortcut) {
  class HelpTool : public GmTool {
   public:
    HelpTool() : GmTool("Helper", "Helper", QIcon(), "H", "<p>Helps.</p>") {}
    void activate(GmTool*) override {}
    void deactivate(GmTool*) override {}
    bool isUsable() const override { return true; }
  } tool;
  tool.selectToolSlot();
  EXPECT_EQ(shown(), QString("<p><b>Helper</b> (H)</p><p>Helps.</p>"));
}

TEST_F(TipWindowTest, AMenuEntryUnderThePointerShowsItsHelpAfter700Ms) {
  TsAppStyle style(QStyleFactory::create("Fusion"));
  QMenu menu, second;
  QAction* open = menu.addAction("Open");
  open->setWhatsThis("<p><b>Open</b></p>");
  open->setShortcut(QKeySequence("Ctrl+O"));
  QAction* gone = menu.addAction("Gone");
  gone->setWhatsThis("<p><b>Gone</b></p>");
  second.addAction(gone);
  for (QMenu* each : {&menu, &second}) each->setStyle(&style);
  menu.popup(QPoint(10, 10));
  second.popup(QPoint(300, 10));
  ShowMenuActionWhatsThis* timer = ShowMenuActionWhatsThis::instance();
  ASSERT_NE(timer, nullptr);
  auto hover = [](QMenu* over, QAction* action) {
    const QPoint at = over->actionGeometry(action).center();
    for (const QPoint& step : {at + QPoint(0, 3), at})
      sendMouse(over, QEvent::MouseMove, step, Qt::NoButton, Qt::NoButton);
  };
  QElapsedTimer clock;
  clock.start();
  hover(&menu, open);
  EXPECT_EQ(shown(), QString("start"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return shown() != "start"; }, 3000));
  EXPECT_GE(clock.elapsed(), 650);
  EXPECT_EQ(shown(), QString("<p><b>Open</b> (Ctrl+O)</p>"));

  // The same entry again, from another menu: the wait restarts, the first menu is kept.
  hover(&menu, gone);
  ASSERT_TRUE(zarvo_test::waitFor([&] { return timer->remainingTime() <= 600; }, 3000));
  QMetaObject::invokeMethod(&second, "hovered", Q_ARG(QAction*, gone));
  EXPECT_EQ(timer->menu(), &menu);
  EXPECT_GT(timer->remainingTime(), 600);
  // Deleted while the wait runs: nothing shows.
  TipWindow::setTipText("before");
  delete gone;
  ASSERT_TRUE(zarvo_test::waitFor([&] { return !timer->isActive(); }, 3000));
  EXPECT_EQ(shown(), QString("before"));
  // A hidden menu stops the wait and is no longer followed.
  hover(&menu, open);
  menu.hide();
  EXPECT_FALSE(timer->isActive());
  QMetaObject::invokeMethod(&menu, "hovered", Q_ARG(QAction*, open));
  EXPECT_FALSE(timer->isActive());
}

TEST(TipWindowAbsentTest, EveryOperationIsSilentWithoutATipWindow) {
  { TipWindow passing; }
  EXPECT_EQ(TipWindow::instance(), nullptr);
  QWidget widget;
  widget.setWhatsThis("<p>w</p>");
  QAction action("a", nullptr);
  action.setWhatsThis("<p>a</p>");
  TipWindow::setTipText("x");
  TipWindow::showWidgetTip(&widget);
  TipWindow::showActionTip(&action);
  Browser::setTipText("y");
  EXPECT_EQ(TipWindow::instance(), nullptr);
  GmModel::destroyInstance();
}

}  // namespace
