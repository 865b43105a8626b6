#include "composition/FinalOptionsTool.h"

#include <QHBoxLayout>
#include <QPushButton>

#include "composition/CompositionResources.h"
#include "composition/FinalImageViewer.h"
#include "composition/FinalImageWidget.h"
#include "composition/ZarvoObject.h"
#include "workspace/WidgetFunctions.h"

FinalOptionsTool::FinalOptionsTool(FinalImageWidget* widget, QActionGroup* group, QWidget* menu,
                                   ToolOptions* options)
    : GmTool(QStringLiteral("Specify Final Options"), tr("Specify Final Options"),
             compositionIcon(QStringLiteral(":images/tool_final_options.png")), QString(),
             tr("<p>Specify Final Options.</p>") +
                 learnMoreTip(QStringLiteral("final_image/final_options.htm")),
             group, nullptr, menu, options),
      widget_(widget),
      helpPage_(QStringLiteral("final_image/final_options.htm")) {
  setOptionPage(createOptionsWidget());
  connect(ZarvoObject::instance(), &ZarvoObject::zarvoReset, this, &FinalOptionsTool::reset);
  reset();
}

QWidget* FinalOptionsTool::createOptionsWidget() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  actualSize_ = new QPushButton(tr("Actual Size"));
  fitScreen_ = new QPushButton(tr("Fit Screen"));
  for (QPushButton* button : {actualSize_.data(), fitScreen_.data()}) {
    button->setCheckable(true);
    button->setAutoExclusive(true);
    layout->addWidget(button);
  }
  layout->addStretch(1);
  connect(actualSize_, &QPushButton::clicked, this, &FinalOptionsTool::actualSizeClicked);
  connect(fitScreen_, &QPushButton::clicked, this, &FinalOptionsTool::fitScreenClicked);
  page->setWhatsThis(tr("<p><b>Final Options - View</b></p><p>Choose Actual Size or Fit "
                        "Screen.</p><p>Actual Size will add scroll bars if necessary.</p><p>Fit "
                        "Screen will let you to see entire image in the window.</p>") +
                     learnMoreTip(helpPage_));
  return page;
}

ImageView::ViewTabs FinalOptionsTool::viewTabs() const {
  return ZarvoObject::instance()->outputType() == 0 ? ImageView::ViewTabs()
                                                    : ImageView::ViewTabs(ImageView::FinalImage);
}

int FinalOptionsTool::defaultViewTab() const {
  return ImageView::FinalImage;
}

void FinalOptionsTool::activate(GmTool*) {
  const bool fit = !widget_ || widget_->viewer()->fitScreen();
  if (fitScreen_) fitScreen_->setChecked(fit);
  if (actualSize_) actualSize_->setChecked(!fit);
}

void FinalOptionsTool::deactivate(GmTool*) {
  clearGesture();
}

void FinalOptionsTool::reset() {
  if (fitScreen_) fitScreen_->click();
}

void FinalOptionsTool::fitScreenClicked() {
  if (widget_) widget_->setFitScreen(true);
}

void FinalOptionsTool::actualSizeClicked() {
  if (widget_) widget_->setFitScreen(false);
}
