// The tip window: the rewriting of list markup, the shortcut, the application-wide event
// filter, menu entries after 700 ms, links through the desktop's URL handler, the tool just
// selected, and silence without a tip window.

#include <QDesktopServices>
#include <QHelpEvent>
#include <QMenu>
#include <QStyleFactory>
#include <QTabBar>
#include <QToolButton>
#include <QUrl>
#include <QWhatsThis>

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

class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened << url; }
};

// A tool with help and a shortcut.
class HelpTool : public GmTool {
 public:
  HelpTool()
      : GmTool("Helper", "Helper", QIcon(), "H", "<p>Helps.</p>", nullptr, nullptr, nullptr,
               nullptr) {}
  void activate(GmTool*) override {}
  void deactivate(GmTool*) override {}
  bool isUsable() const override { return true; }
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
  // Sends a help request of `type` at `pos` and answers whether the tip window consumed it
  // (the widget never saw it).
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
  struct Row {
    const char* text;
    const char* html;
  };
  for (const Row& row :
       {Row{"<ul><li><i>A</i></li><li>B</li></ul>", "&bull; <i>A</i> <br/>&bull; B</li>"},
        Row{"<p>No list</p>", "<p>No list</p>"}, Row{"<p><i>x</i>y</p>", "<p><i>x</i> y</p>"}}) {
    EXPECT_EQ(TipWindow::tipHtml(row.text), QString(row.html));
  }

  struct ShortcutRow {
    const char* text;
    QKeySequence keys;
    bool added;
    const char* result;
  };
  for (const ShortcutRow& row : {
           ShortcutRow{"<p><b>A</b></p><p>b</p>", QKeySequence("Ctrl+T"), true,
                       "<p><b>A</b> (Ctrl+T)</p><p>b</p>"},
           ShortcutRow{"<b>A</b> no paragraph", QKeySequence("F6"), false, "<b>A</b> no paragraph"},
           ShortcutRow{"<P>A</P>", QKeySequence("F6"), false, "<P>A</P>"},
           ShortcutRow{"<p>A</p>", QKeySequence(), false, "<p>A</p>"},
       }) {
    QString text = row.text;
    EXPECT_EQ(TipWindow::addShortcut(text, row.keys), row.added) << row.text;
    EXPECT_EQ(text, QString(row.result));
  }
}

TEST_F(TipWindowTest, ShowsTheRewrittenTextAndWelcomesThroughTheBrowser) {
  Browser::setTipText("<ul><li><i>A</i></li><li>B</li></ul>");
  EXPECT_EQ(shown(), QString("&bull; <i>A</i> <br/>&bull; B</li>"));
  EXPECT_TRUE(tips->browser()->toPlainText().contains("A"));
  EXPECT_EQ(TipWindow::instance(), tips.get());
  EXPECT_TRUE(tips->visibleByDefault());
  EXPECT_GE(tips->minimumHeight(), 120);
}

TEST_F(TipWindowTest, WhatsThisIsAlwaysShownAndConsumedAToolTipOncePerSource) {
  QWidget window;
  auto* panel = new QWidget(&window);
  panel->setWhatsThis("<p><b>Panel</b></p><p>Holds things.</p>");
  // A control with a tool tip: the request ends there.
  panel->setToolTip("panel");
  auto* inner = new QWidget(panel);
  auto* action = new QAction("do", panel);
  action->setShortcut(QKeySequence("Ctrl+D"));
  panel->addAction(action);

  // A child without help shows its ancestor's, with the shortcut of that one's first action;
  // the tool tip goes on to the normal tool tip (the panel's, which ends the request).
  EXPECT_FALSE(ask(inner, QEvent::ToolTip));
  EXPECT_EQ(shown(), QString("<p><b>Panel</b> (Ctrl+D)</p><p>Holds things.</p>"));

  // Asked again for the same source: no new tip.
  panel->setWhatsThis("<p>Changed</p>");
  EXPECT_FALSE(ask(panel, QEvent::ToolTip));
  EXPECT_TRUE(shown().contains("Holds things"));
  // What's This always is, and is consumed.
  EXPECT_TRUE(ask(panel, QEvent::WhatsThis));
  EXPECT_TRUE(shown().contains("Changed"));
  // Another source in between, and the panel's tool tip counts again.
  auto* other = new QWidget(&window);
  other->setWhatsThis("<p>Other</p>");
  other->setToolTip("other");
  ask(other, QEvent::ToolTip);
  EXPECT_EQ(shown(), QString("<p>Other</p>"));
  panel->setWhatsThis("<p>Again</p>");
  ask(panel, QEvent::ToolTip);
  EXPECT_EQ(shown(), QString("<p>Again (Ctrl+D)</p>"));

  // Help ends at the window: a window without help shows nothing.
  QWidget bare;
  auto* loose = new QWidget(&bare);
  TipWindow::setTipText("kept");
  ask(loose, QEvent::ToolTip);
  EXPECT_EQ(shown(), QString("kept"));

  // Other events pass untouched.
  QEvent status(QEvent::StatusTip);
  EXPECT_FALSE(QApplication::sendEvent(panel, &status));
  EXPECT_EQ(shown(), QString("kept"));
}

TEST_F(TipWindowTest, RelatedActionsOfToolButtonsAndSubWindowsGiveTheShortcut) {
  QToolButton button;
  auto* action = new QAction("Brush", &button);
  action->setShortcut(QKeySequence("B"));
  action->setWhatsThis("<p><b>Brush</b></p><p>Paints.</p>");
  button.setDefaultAction(action);
  ask(&button, QEvent::WhatsThis);
  EXPECT_EQ(shown(), QString("<p><b>Brush</b> (B)</p><p>Paints.</p>"));

  QWidget menu;
  TipWindow other(nullptr, &menu, "Ctrl+T");
  // The newest tip window is the one registered.
  EXPECT_EQ(TipWindow::instance(), &other);
  other.setWhatsThis("<p><b>Tips</b></p>");
  ask(&other, QEvent::WhatsThis);
  EXPECT_EQ(other.shownHtml(), QString("<p><b>Tips</b> (Ctrl+T)</p>"));
}

TEST_F(TipWindowTest, ATabBarShowsTheHelpOfTheTabUnderThePointer) {
  QTabBar bar;
  bar.addTab("One");
  bar.addTab("Two");
  bar.setTabWhatsThis(0, "<p>first</p>");
  bar.setTabWhatsThis(1, "<p>second</p>");
  bar.resize(300, 30);
  bar.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
  EXPECT_TRUE(ask(&bar, QEvent::WhatsThis, bar.tabRect(1).center()));
  EXPECT_EQ(shown(), QString("<p>second</p>"));
  // The tab bar is never the last source: a tool tip on it is shown every time.
  ask(&bar, QEvent::ToolTip, bar.tabRect(0).center());
  EXPECT_EQ(shown(), QString("<p>first</p>"));
  ask(&bar, QEvent::ToolTip, bar.tabRect(1).center());
  EXPECT_EQ(shown(), QString("<p>second</p>"));
  // Beside every tab: nothing.
  ask(&bar, QEvent::ToolTip, QPoint(295, 15));
  EXPECT_EQ(shown(), QString("<p>second</p>"));
}

TEST_F(TipWindowTest, AnAnsweredWhatsThisLeavesWhatsThisMode) {
  QWidget widget;
  widget.setWhatsThis("<p>w</p>");
  QWhatsThis::enterWhatsThisMode();
  ASSERT_TRUE(QWhatsThis::inWhatsThisMode());
  ask(&widget, QEvent::WhatsThis);
  EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
}

TEST_F(TipWindowTest, LinksOpenOutsideRelativeOnesUnderTheHelpRoot) {
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler("http", &catcher, "open");
  QDesktopServices::setUrlHandler("file", &catcher, "open");
  Browser* browser = tips->browser();
  browser->setSource(QUrl("editing/brush.htm#size"));
  browser->setSource(QUrl("https-less/../other.htm"));
  browser->setSource(QUrl("http://elsewhere.example/page.htm"));
  browser->setSource(QUrl());
  host.root = "/opt/zarvo/help";
  browser->setSource(QUrl("start.htm"));
  QDesktopServices::unsetUrlHandler("http");
  QDesktopServices::unsetUrlHandler("file");
  EXPECT_EQ(catcher.opened, QList<QUrl>({QUrl("http://help.example/zarvo/editing/brush.htm#size"),
                                         QUrl("http://help.example/zarvo/other.htm"),
                                         QUrl("http://elsewhere.example/page.htm"),
                                         QUrl::fromLocalFile("/opt/zarvo/help/start.htm")}));
  // The browser itself never navigated.
  EXPECT_TRUE(browser->source().isEmpty());
}

TEST_F(TipWindowTest, TheToolJustSelectedShowsItsHelpWithItsShortcut) {
  HelpTool tool;
  tool.selectToolSlot();
  EXPECT_EQ(shown(), QString("<p><b>Helper</b> (H)</p><p>Helps.</p>"));
}

TEST_F(TipWindowTest, AMenuEntryRestingUnderThePointerShowsItsHelpAfter700Ms) {
  TsAppStyle style(QStyleFactory::create("Fusion"));
  QMenu menu;
  menu.setStyle(&style);
  menu.ensurePolished();
  ShowMenuActionWhatsThis* timer = ShowMenuActionWhatsThis::instance();
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(menu.testAttribute(Qt::WA_AlwaysShowToolTips));
  QAction* open = menu.addAction("Open");
  open->setWhatsThis("<p><b>Open</b></p>");
  open->setShortcut(QKeySequence("Ctrl+O"));
  QAction* gone = menu.addAction("Gone");
  gone->setWhatsThis("<p><b>Gone</b></p>");
  menu.popup(QPoint(10, 10));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));

  auto hover = [](QMenu* over, QAction* action) {
    const QPoint at = over->actionGeometry(action).center();
    for (const QPoint& step : {at + QPoint(0, 3), at})
      sendMouse(over, QEvent::MouseMove, step, Qt::NoButton, Qt::NoButton);
  };
  QElapsedTimer clock;
  clock.start();
  hover(&menu, open);
  EXPECT_EQ(timer->action(), open);
  EXPECT_EQ(timer->menu(), &menu);
  EXPECT_EQ(shown(), QString("start"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return shown() != "start"; }, 3000));
  EXPECT_GE(clock.elapsed(), 650);
  EXPECT_EQ(shown(), QString("<p><b>Open</b> (Ctrl+O)</p>"));
  EXPECT_EQ(timer->action(), nullptr);

  // Hovering the same entry again (here from a second menu) restarts the wait and keeps the
  // menu first remembered.
  QMenu second;
  second.setStyle(&style);
  second.addAction(gone);
  second.popup(QPoint(300, 10));
  hover(&menu, gone);
  ASSERT_EQ(timer->action(), gone);
  QTest::qWait(300);
  QMetaObject::invokeMethod(&second, "hovered", Q_ARG(QAction*, gone));
  EXPECT_EQ(timer->menu(), &menu);
  EXPECT_GT(timer->remainingTime(), 600);

  // An entry deleted while the wait runs shows nothing.
  TipWindow::setTipText("before");
  second.hide();
  delete gone;
  QTest::qWait(800);
  EXPECT_FALSE(timer->isActive());
  EXPECT_EQ(shown(), QString("before"));

  // A hidden menu stops the wait and is no longer followed.
  hover(&menu, open);
  EXPECT_TRUE(timer->isActive());
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
  QHelpEvent event(QEvent::WhatsThis, QPoint(1, 1), QPoint(1, 1));
  // Nobody filters: the widget's own handling (What's This mode is off) is all there is.
  QApplication::sendEvent(&widget, &event);
  EXPECT_EQ(TipWindow::instance(), nullptr);
  GmModel::destroyInstance();
}

}  // namespace

#include "TipWindowTest.moc"
