#include "workspace/TipWindow.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QKeySequence>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "document/GmModel.h"
#include "workspace/Browser.h"
#include "workspace/GmTool.h"

namespace {

TipWindow* registeredTipWindow = nullptr;

}  // namespace

TipWindow::TipWindow(QWidget* parent, QWidget* menu, const QString& shortcut)
    : GmSubWindow(QStringLiteral("Tip"), tr("Tip"), menu, shortcut, parent),
      browser_(new Browser),
      spacer_(new QWidget) {
  registeredTipWindow = this;
  qApp->installEventFilter(this);
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->addWidget(browser_);
  layout->addWidget(spacer_);
  spacer_->setMinimumHeight(10);
  spacer_->setVisible(isFloating());
  setContentWidget(content);
  setResizable(true);
  setMinimumHeight(120);
  connect(GmModel::instance(), &GmModel::toolChanged, this, &TipWindow::toolChangedSlot);
}

TipWindow::~TipWindow() {
  qApp->removeEventFilter(this);
  if (registeredTipWindow == this) registeredTipWindow = nullptr;
}

TipWindow* TipWindow::instance() {
  return registeredTipWindow;
}

void TipWindow::setFloating(bool floating, bool quiet) {
  GmSubWindow::setFloating(floating, quiet);
  spacer_->setVisible(floating);
}

QString TipWindow::tipHtml(const QString& text) {
  QString html = text;
  html.remove(QLatin1String("<ul>"));
  html.remove(QLatin1String("</ul>"));
  html.replace(QLatin1String("</li><li>"), QLatin1String("<br/><li>"));
  html.replace(QLatin1String("<li>"), QLatin1String("&bull; "));
  html.replace(QLatin1String("</i>"), QLatin1String("</i> "));
  return html;
}

void TipWindow::setTipText(const QString& text) {
  TipWindow* tip = instance();
  if (!tip) return;
  tip->lastSource_ = nullptr;
  tip->shownHtml_ = tipHtml(text);
  tip->browser_->setHtml(tip->shownHtml_);
}

bool TipWindow::addShortcut(QString& text, const QKeySequence& shortcut) {
  const int at = text.indexOf(QLatin1String("</p>"));
  if (shortcut.isEmpty() || at < 0) return false;
  text.insert(
      at, QStringLiteral(" (") + shortcut.toString(QKeySequence::NativeText) + QStringLiteral(")"));
  return true;
}

void TipWindow::showWidgetTip(QWidget* widget) {
  TipWindow* tip = instance();
  if (!tip) return;
  tip->lastSource_ = widget;
  QWidget* helped = widget;
  while (helped && helped->whatsThis().isEmpty())
    helped = helped->isWindow() ? nullptr : helped->parentWidget();
  if (!helped) return;
  QString text = helped->whatsThis();
  QAction* action = nullptr;
  if (auto* window = qobject_cast<GmSubWindow*>(helped))
    action = window->toggleAction();
  else if (auto* button = qobject_cast<QToolButton*>(helped))
    action = button->defaultAction();
  else if (!helped->actions().isEmpty())
    action = helped->actions().first();
  if (action) addShortcut(text, action->shortcut());
  setTipText(text);
}

void TipWindow::showActionTip(QAction* action) {
  TipWindow* tip = instance();
  if (!tip) return;
  tip->lastSource_ = action;
  if (!action || action->whatsThis().isEmpty()) return;
  QString text = action->whatsThis();
  addShortcut(text, action->shortcut());
  setTipText(text);
}

void TipWindow::toolChangedSlot(const GmTool* tool) {
  if (tool && tool->action()) showActionTip(tool->action());
}

bool TipWindow::eventFilter(QObject* watched, QEvent* event) {
  const bool whatsThis = event->type() == QEvent::WhatsThis;
  const bool toolTip = event->type() == QEvent::ToolTip && watched != lastSource_;
  if (!whatsThis && !toolTip) return GmSubWindow::eventFilter(watched, event);
  auto* tabBar = qobject_cast<QTabBar*>(watched);
  if (tabBar) {
    const QPoint at = static_cast<QHelpEvent*>(event)->pos();
    for (int i = 0; i < tabBar->count(); ++i) {
      if (tabBar->tabRect(i).contains(at)) {
        setTipText(tabBar->tabWhatsThis(i));
        break;
      }
    }
  } else if (auto* widget = qobject_cast<QWidget*>(watched)) {
    showWidgetTip(widget);
  } else if (auto* action = qobject_cast<QAction*>(watched)) {
    showActionTip(action);
  }
  if (QWhatsThis::inWhatsThisMode()) QWhatsThis::leaveWhatsThisMode();
  lastSource_ = tabBar ? nullptr : watched;
  return whatsThis;
}
