// Tool switching: the order of a selection, re-selection, the fallback through the host, the
// two-step Escape, and a current tool that dies.

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabBar>

#include "WorkspaceTestSupport.h"
#include "document/RectRegion.h"
#include "workspace/GmAction.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"
#include "workspace/WidgetFunctions.h"

namespace {

class ToolSwitchingTest : public WorkspaceTest {
 protected:
  // A view with a second tab (8) and a panel whose page changes and tab changes are logged.
  void SetUp() override {
    WorkspaceTest::SetUp();
    view = showView();
    view->addViewTab(keep(new QLabel("compose")), "2. &Compose", "", "", ImageView::ComposePicture);
    panel = keep(new ToolOptions);
    noTool = keep(new NoTool(panel));
    QObject::connect(GmModel::instance(), &GmModel::toolChanged,
                     [this](const GmTool* tool) { log << "toolChanged(" + tool->name() + ")"; });
    QObject::connect(panel->stack(), &QStackedWidget::currentChanged,
                     [this](int) { log << "page"; });
    QObject::connect(view, &ImageView::viewTabChanged,
                     [this](ImageView::ViewTab tab) { log << QString("tab(%1)").arg(tab); });
  }

  RecordingTool* tool(const QString& name, int tabs = ImageView::DeleteBackground,
                      int defaultTab = ImageView::DeleteBackground) {
    return keep(new RecordingTool(name, &log, tabs, defaultTab, panel));
  }

  ImageView* view = nullptr;
  ToolOptions* panel = nullptr;
  NoTool* noTool = nullptr;
  QStringList log;
};

TEST_F(ToolSwitchingTest, SelectionRunsDeactivateSignalPageActivateThenTab) {
  RecordingTool* a = tool("A");
  RecordingTool* b = tool("B", ImageView::ComposePicture, ImageView::ComposePicture);
  b->setOptionPage(new QLabel("B"));
  a->selectToolSlot();
  log.clear();
  b->action()->trigger();
  EXPECT_EQ(log,
            QStringList({"A.deactivate(B)", "toolChanged(B)", "page", "B.activate(A)", "tab(8)"}));
  EXPECT_EQ(GmTool::current(), b);
  EXPECT_TRUE(b->action()->isChecked());
  EXPECT_EQ(panel->stack()->currentWidget(), b->optionPage());
  EXPECT_EQ(panel->windowTitle(), "B");
}

TEST_F(ToolSwitchingTest, ReselectionRunsTheOrderAgainButInstallDoesNot) {
  RecordingTool* a = tool("A");
  a->selectToolSlot();
  log.clear();
  a->action()->trigger();
  EXPECT_EQ(log, QStringList({"A.deactivate(A)", "toolChanged(A)", "A.activate(A)"}));
  log.clear();
  EXPECT_TRUE(a->installSlot());
  EXPECT_TRUE(log.isEmpty());
}

TEST_F(ToolSwitchingTest, ToolInItsTabOrWithoutItsDefaultTabKeepsTheTab) {
  RecordingTool* both = tool("Both", ImageView::DeleteBackground | ImageView::ComposePicture,
                             ImageView::ComposePicture);
  RecordingTool* effects = tool("Effects", ImageView::AddEffects, ImageView::AddEffects);
  both->selectToolSlot();
  effects->selectToolSlot();
  EXPECT_EQ(view->currentViewTab(), ImageView::DeleteBackground);
  EXPECT_FALSE(log.contains("tab(8)"));
}

TEST_F(ToolSwitchingTest, SpaceBarPanHoldsTheTab) {
  RecordingTool* compose = tool("C", ImageView::ComposePicture, ImageView::ComposePicture);
  host.panReturn = noTool;
  compose->selectToolSlot();
  EXPECT_EQ(view->currentViewTab(), ImageView::DeleteBackground);
}

struct FallbackRow {
  const char* name;
  bool currentUsable;
  bool panReturnUsable;  // the pan-return tool, when there is one
  bool havePanReturn;
  const char* expected;  // current afterwards
  bool answer;
};

class FallbackTest : public ToolSwitchingTest, public ::testing::WithParamInterface<FallbackRow> {};

TEST_P(FallbackTest, RefusedInstallationPicksFromHost) {
  const FallbackRow& row = GetParam();
  RecordingTool* current = tool("Current");
  RecordingTool* remembered = tool("Remembered");
  RecordingTool* refused = tool("Refused");
  current->selectToolSlot();
  current->usable = row.currentUsable;
  remembered->usable = row.panReturnUsable;
  refused->usable = false;
  if (row.havePanReturn) host.panReturn = remembered;
  EXPECT_FALSE(refused->installSlot());
  EXPECT_EQ(host.fallbacks, 1);
  EXPECT_EQ(GmTool::current()->name(), row.expected);
  EXPECT_EQ(GmTool::selectFallbackTool(host.panReturn), row.answer);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FallbackTest,
    ::testing::Values(
        FallbackRow{"UsableCurrentStays", true, true, true, "Current", true},
        FallbackRow{"RememberedToolWhenUsable", false, true, true, "Remembered", true},
        FallbackRow{"DefaultWhenRememberedUnusable", false, false, true, "No Tool", true},
        FallbackRow{"DefaultWithoutRemembered", false, true, false, "No Tool", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ToolSwitchingTest, FallbackWithoutCurrentToolAnswersFalse) {
  RecordingTool* refused = tool("Refused");
  refused->usable = false;
  EXPECT_FALSE(refused->installSlot());
  EXPECT_EQ(GmTool::current(), nullptr);
  EXPECT_FALSE(GmTool::selectFallbackTool(nullptr));
}

// The default tool is the last resort: when it refuses too, its installation asks the host once
// more, and that second choice answers false instead of asking again without end. The next
// choice starts afresh.
TEST_F(ToolSwitchingTest, ADefaultToolThatRefusesEndsTheFallbackSearch) {
  class RefusingDefault : public RecordingTool {
   public:
    RefusingDefault(QStringList* log, ToolOptions* panel)
        : RecordingTool("Default", log, ImageView::DeleteBackground, ImageView::DeleteBackground,
                        panel) {
      becomeDefaultTool();
      usable = false;
    }
  };
  auto* fallback = keep(new RefusingDefault(&log, panel));
  RecordingTool* current = tool("Current");
  RecordingTool* refused = tool("Refused");
  current->selectToolSlot();
  current->usable = false;
  refused->usable = false;
  EXPECT_FALSE(refused->installSlot());
  EXPECT_EQ(host.fallbacks, 2);
  EXPECT_EQ(GmTool::current(), current);
  fallback->usable = true;
  EXPECT_TRUE(GmTool::selectFallbackTool(nullptr));
  EXPECT_EQ(GmTool::current(), fallback);
}

TEST_F(ToolSwitchingTest, EscapeBacksOutOneStepAtATime) {
  openPhoto();
  RecordingTool* a = tool("A");
  a->selectToolSlot();
  auto* patch = new RectRegion(QRectF(10, 10, 40, 30));
  model->addPatch(patch);
  model->setActiveRegion(patch);
  model->setToolRectangle(QPointF(5, 5));

  a->escapePressed();
  EXPECT_EQ(model->toolRectangle(), nullptr);
  EXPECT_EQ(model->activeRegion(), patch);
  a->escapePressed();
  EXPECT_EQ(model->activeRegion(), nullptr);
  EXPECT_EQ(GmTool::current(), a);
  a->escapePressed();
  EXPECT_EQ(GmTool::current(), noTool);
}

TEST_F(ToolSwitchingTest, DeletingTheCurrentToolHandsOverWithoutItsVirtuals) {
  RecordingTool* a = tool("A");
  a->selectToolSlot();
  log.clear();
  owned.erase(std::find_if(owned.begin(), owned.end(),
                           [a](const auto& object) { return object.get() == a; }));
  EXPECT_TRUE(log.filter("A.").isEmpty()) << log.join(", ").toStdString();
  EXPECT_EQ(GmTool::current(), noTool);
  EXPECT_EQ(log, QStringList({"toolChanged(No Tool)", "page"}));
  EXPECT_EQ(panel->stack()->currentWidget(), noTool->optionPage());
  EXPECT_TRUE(noTool->action()->isChecked());
}

TEST_F(ToolSwitchingTest, DeletingTheDefaultToolLeavesNoCurrentTool) {
  noTool->selectToolSlot();
  owned.erase(std::find_if(owned.begin(), owned.end(),
                           [this](const auto& object) { return object.get() == noTool; }));
  EXPECT_EQ(GmTool::current(), nullptr);
  EXPECT_EQ(GmTool::defaultTool(), nullptr);
}

TEST_F(ToolSwitchingTest, ActionsFollowWhetherTheDocumentHoldsAnImage) {
  auto* pan = keep(new PanTool(nullptr, nullptr, panel));
  EXPECT_FALSE(pan->action()->isEnabled());
  EXPECT_TRUE(noTool->action()->isEnabled());
  EXPECT_FALSE(pan->installSlot());
  openPhoto();
  EXPECT_TRUE(pan->action()->isEnabled());
  EXPECT_TRUE(pan->installSlot());
  EXPECT_EQ(GmTool::current(), pan);
}

TEST_F(ToolSwitchingTest, SharedPagesOutliveTheirTools) {
  auto* shared = keep(new QLabel("shared"));
  QPointer<QWidget> own = new QLabel("own");
  RecordingTool* a = new RecordingTool("A", nullptr, 2, 2, panel);
  RecordingTool* b = new RecordingTool("B", nullptr, 2, 2, panel);
  a->setOptionPage(shared, true);
  b->setOptionPage(own);
  a->selectToolSlot();
  delete a;
  delete b;
  EXPECT_NE(panel->stack()->indexOf(shared), -1);
  EXPECT_TRUE(own.isNull());
}

TEST_F(ToolSwitchingTest, ActionTextsAndHelp) {
  auto* pan = keep(new PanTool(nullptr, nullptr, panel));
  EXPECT_EQ(pan->name(), "Hand Tool");
  EXPECT_EQ(pan->action()->toolTip(), "Pan (P)");
  EXPECT_TRUE(pan->action()->whatsThis().startsWith("<p><b>Pan</b></p><p>Use to drag"));
  EXPECT_TRUE(pan->action()->whatsThis().endsWith(
      "<p><a href=\"touring_zarvo/zoom_and_pan.htm\">Learn More</a></p>"));
  EXPECT_TRUE(noTool->action()->whatsThis().isEmpty());
  EXPECT_EQ(noTool->action()->toolTip(), "No Tool");
  EXPECT_TRUE(noTool->action()->shortcut().isEmpty());
  EXPECT_EQ(pan->action()->actionGroup(), GmTool::toolActionGroup());
  EXPECT_TRUE(GmTool::toolActionGroup()->isExclusive());
  EXPECT_EQ(learnMoreTip(""), "");
}

TEST_F(ToolSwitchingTest, WithoutAViewTheTabCountsAsTwo) {
  host.view = nullptr;
  RecordingTool* compose = tool("C", ImageView::ComposePicture, ImageView::ComposePicture);
  RecordingTool* cutout = tool("D");
  EXPECT_EQ(GmTool::currentViewTab(), 2);
  EXPECT_FALSE(compose->isAvailableInCurrentTab());
  EXPECT_TRUE(cutout->isAvailableInCurrentTab());
}

}  // namespace
