#include "workspace/SelectTool.h"

#include "document/ArrowTarget.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdSelect.h"
#include "document/GmBrushing.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/SegmentationStuff.h"
#include "document/Shape.h"

SelectTool::SelectTool(const QString& name, const QString& text, const QIcon& icon,
                       const QString& shortcut, const QString& help, int status, bool local,
                       QActionGroup* group, QWidget* container, QWidget* menuOrBar,
                       ToolOptions* options)
    : BrushingTool(name, text, icon, shortcut, help, group, container, menuOrBar, options),
      status_(status),
      local_(local ? 1 : 0) {
  setOptionPage(optionsPage(), true);
  setEnabledSlot();
}

QString SelectTool::brushHelpPage() {
  return QStringLiteral("deleting_backgrounds/using_brushes.htm");
}

SelectTool::~SelectTool() {
  restoreSavedPatch();
}

bool SelectTool::isUsable() const {
  if (!GmTool::isUsable()) return false;
  if (!isLocal()) return true;
  // The analysis word is engine memory: it is read only while no command executes.
  const CorvaneThread* thread = CorvaneThread::instance();
  if (thread && thread->isRunning()) return analysed_;
  GmModel* model = GmModel::instance();
  const GmRegion* active = model->activeRegion();
  const SegmentationStuff* settings = active && active->segmentation()->ownSettings()
                                          ? active->segmentation()
                                          : model->segmentation();
  analysed_ = settings->hasAnalysis();
  return analysed_;
}

int SelectTool::targetDisplayMode(ArrowTarget* target) const {
  return target && target->isActive() ? 4 : 3;
}

void SelectTool::deactivate(GmTool* next) {
  BrushingTool::deactivate(next);
  restoreSavedPatch();
}

Brushing* SelectTool::strokeStarting(const QPointF& point) {
  GmModel* model = GmModel::instance();
  GmRegion* active = model->activeRegion();
  if (active && !active->shape().contains(point)) {
    savedPatch_ = active;
    model->setActiveRegion(nullptr);
  }
  if (stroke_)
    stroke_->brushing().clear();
  else
    stroke_ = std::make_unique<GmBrushing>(strokeColour());
  return &stroke_->brushing();
}

void SelectTool::strokeFinished() {
  std::unique_ptr<GmBrushing> stroke = std::move(stroke_);
  if (stroke) {
    const QRectF bounds = stroke->brushing().boundingRect();
    if (bounds.width() > 0 && bounds.height() > 0) {
      const int overwrite = CvStatusInPicture | (mayOverwriteKeep() ? CvStatusKeep : 0) |
                            (mayOverwriteDelete() ? CvStatusDelete : 0) |
                            (mayOverwriteBlend() ? CvStatusBlend : 0);
      // Built while the saved patch is out of activity: the stroke works in the image's
      // settings. The command owns the stroke, which stays on screen until it is done.
      CorvaneThread::submitToInstance(new CvCmdSelect(GmModel::instance(), stroke.release(),
                                                      overwrite, status_, isLocal(), false));
    }
  }
  restoreSavedPatch();
}

void SelectTool::restoreSavedPatch() {
  GmRegion* patch = savedPatch_;
  savedPatch_ = nullptr;
  GmModel* model = GmModel::existingInstance();
  // A patch deleted meanwhile, or on its way out of the document, stays inactive.
  if (patch && model && model->containsTarget(patch)) model->setActiveRegion(patch, 2);
}

void SelectTool::protectKeepChangedSlot(int) {}
void SelectTool::protectDeleteChangedSlot(int) {}
void SelectTool::protectComplexChangedSlot(int) {}
