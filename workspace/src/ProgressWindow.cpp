#include "workspace/ProgressWindow.h"

#include <cmath>

#include <QAction>
#include <QActionGroup>
#include <QGuiApplication>
#include <QIcon>
#include <QResizeEvent>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>

#include "workspace/ProgressView.h"
#include "workspace/WidgetFunctions.h"
#include "workspace/WorkspaceResources.h"

namespace {

const QString helpPage = QStringLiteral("deleting_backgrounds/vuvidarir_viewer.htm");

int screenHeight() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry().height() : 0;
}

}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent, QWidget* menu, const QString& shortcut)
    : GmSubWindow(QStringLiteral("Progress"), tr("Vuvidarir Viewer"), menu, shortcut, parent),
      smallAction_(new QAction(resourceIcon(QStringLiteral(":/images/progress_size1.png")),
                               tr("Small View"), this)),
      mediumAction_(new QAction(resourceIcon(QStringLiteral(":/images/progress_size2.png")),
                                tr("Medium View"), this)),
      largeAction_(new QAction(resourceIcon(QStringLiteral(":/images/progress_size3.png")),
                               tr("Large View"), this)),
      smallSide_(150),
      largeSide_(int(std::lround(0.8 * screenHeight()))),
      mediumSide_(int(std::lround((smallSide_ + largeSide_) / 2.0))) {
  setWhatsThis(tr("<p><b>Vuvidarir Viewer</b></p><p>Allows you to see your progress as you "
                  "adjust your image. Sneak a peak at what your cut-out will look like before "
                  "you finish.</p><p>Gives you assurance when painting Delete.</p>",
                  "[tip]") +
               learnMoreTip(helpPage));
  struct Entry {
    QAction* action;
    QString toolTip;
    QString whatsThis;
  };
  const Entry entries[] = {
      {smallAction_, tr("Cut-out small view"),
       tr("<p><b>Small View</b></p><p>See a small view of your cut-out.</p>", "[tip]")},
      {mediumAction_, tr("Cut-out medium view"),
       tr("<p><b>Medium View</b></p><p>See a medium view of your cut-out.</p>", "[tip]")},
      {largeAction_, tr("Cut-out large view"),
       tr("<p><b>Large View</b></p><p>See a large view of your cut-out.</p>", "[tip]")}};
  auto* group = new QActionGroup(this);
  group->setExclusive(true);
  auto* bar = new QToolBar;
  bar->setLayoutDirection(Qt::RightToLeft);
  for (const Entry& entry : entries) {
    entry.action->setToolTip(entry.toolTip);
    entry.action->setWhatsThis(entry.whatsThis + learnMoreTip(helpPage));
    entry.action->setCheckable(true);
    group->addAction(entry.action);
    bar->addAction(entry.action);
    connect(entry.action, &QAction::triggered, this, &ProgressWindow::sizeActionTriggered);
  }
  smallAction_->setChecked(true);

  view_ = new ProgressView(this);
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->addWidget(bar);
  layout->addWidget(view_, 1);
  setContentWidget(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  setResizable(true);
  setMinimumSize(smallSide_, smallSide_);
}

ImageView::ViewTabs ProgressWindow::viewTabs() const {
  return ImageView::DeleteBackground;
}

void ProgressWindow::sizeActionTriggered() {
  QObject* action = sender();
  const int side = action == mediumAction_  ? mediumSide_
                   : action == largeAction_ ? largeSide_
                                            : smallSide_;
  const QRect old = geometry();
  setGeometry(QRect(old.right() - side + 1, old.top(), side, side));
  if (action != mediumAction_ && action != largeAction_) move(floatingPosition());
}

void ProgressWindow::resizeEvent(QResizeEvent* event) {
  GmSubWindow::resizeEvent(event);
  const QSize size = event->size();
  for (QAction* action : {smallAction_, mediumAction_, largeAction_}) {
    const int side = action == smallAction_    ? smallSide_
                     : action == mediumAction_ ? mediumSide_
                                               : largeSide_;
    if (size == QSize(side, side)) {
      action->setChecked(true);
      return;
    }
  }
  for (QAction* action : {smallAction_, mediumAction_, largeAction_}) action->setChecked(false);
}
