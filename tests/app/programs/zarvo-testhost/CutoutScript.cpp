#include "CutoutScript.h"

#include <sys/resource.h>

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QLineF>

#include "MouseInput.h"
#include "app/FileHandler.h"
#include "app/Flogger.h"
#include "app/TsApp.h"
#include "app/TsMainWindow.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdGenerateMask.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "document/TsSourceImage.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/EraseExactTool.h"
#include "workspace/GmTool.h"
#include "workspace/GmZoomWidget.h"
#include "workspace/TsWorkspace.h"

namespace {

// How long the engine may take to empty its queue at any one wait.
constexpr int kIdleLimitMs = 60000;
// How long the queue must stay empty to count as idle: a finishing step may queue the next.
constexpr int kSettleMs = 100;

bool engineIdle() {
  const CorvaneThread* thread = CorvaneThread::instance();
  const GmModel* model = GmModel::existingInstance();
  return thread && model && model->segImage() && thread->isOpen() && !thread->isBusy() &&
         thread->queuedCommands().isEmpty();
}

// The status byte of every working pixel, row after row.
QByteArray statusBytes() {
  const QImage& statuses = GmModel::instance()->statusArray()->displayImage();
  QByteArray bytes;
  for (int y = 0; y < statuses.height(); ++y)
    bytes.append(reinterpret_cast<const char*>(statuses.constScanLine(y)), statuses.width());
  return bytes;
}

}  // namespace

CutoutScript::CutoutScript(TsMainWindow* window, const QString& outDir)
    : window_(window), outDir_(outDir) {
  poll_.setInterval(20);
  connect(&poll_, &QTimer::timeout, this, &CutoutScript::poll);
}

void CutoutScript::start() {
  clock_.start();
  QDir().mkpath(outDir_);
  whenIdle("the image's analysis", [this] {
    timings_.insert(QStringLiteral("openMs"), lap());
    paint();
  });
}

qint64 CutoutScript::lap() {
  const qint64 now = clock_.elapsed(), lap = now - lastLap_;
  lastLap_ = now;
  return lap;
}

void CutoutScript::whenIdle(const char* what, std::function<void()> next) {
  waitingFor_ = what;
  next_ = std::move(next);
  waited_.start();
  idleFor_.invalidate();
  poll_.start();
}

void CutoutScript::poll() {
  if (!window_) return fail(QStringLiteral("the main window is gone"));
  if (!engineIdle()) {
    idleFor_.invalidate();
    if (waited_.elapsed() > kIdleLimitMs)
      fail(QStringLiteral("the engine's queue did not empty within 60 s (%1)")
               .arg(QLatin1String(waitingFor_)));
    return;
  }
  if (!idleFor_.isValid()) idleFor_.start();
  if (idleFor_.elapsed() < kSettleMs) return;
  poll_.stop();
  std::function<void()> next = std::move(next_);
  if (next) next();
}

void CutoutScript::fail(const QString& why) {
  poll_.stop();
  flog() << "Cut-out driver stopped: " << why;
  flogEndl();
  exitCode_ = 3;
  QCoreApplication::exit(3);
}

void CutoutScript::drag(GmTool* tool, const QVector<QPointF>& points) {
  if (!tool || points.isEmpty()) return;
  tool->installSlot();
  GmZoomWidget* canvas = window_->imageView()->workspace()->canvas();
  const QRect place = canvas->imageRect();
  const double zoom = canvas->zoom();
  const auto at = [&](const QPointF& p) {
    return QPoint(place.left() + int(p.x() * zoom), place.top() + int(p.y() * zoom));
  };
  sendMouse(canvas, QEvent::MouseButtonPress, at(points.first()), Qt::LeftButton, Qt::LeftButton);
  // Steps of a few image pixels, as a hand moves.
  for (int i = 1; i < points.size(); ++i) {
    const QPointF from = points.at(i - 1), to = points.at(i);
    const int steps = std::max(1, int(QLineF(from, to).length() / 8));
    for (int s = 1; s <= steps; ++s)
      sendMouse(canvas, QEvent::MouseMove, at(from + (to - from) * s / steps), Qt::NoButton,
                Qt::LeftButton);
  }
  sendMouse(canvas, QEvent::MouseButtonRelease, at(points.last()), Qt::LeftButton, Qt::NoButton);
}

void CutoutScript::paint() {
  const QSize size = GmModel::instance()->imageSize();
  const double w = size.width(), h = size.height();
  const CutoutTools* tools = window_->tools();
  // Keep across the middle fifth, then Delete flooded in from the border.
  drag(tools->eraseExactTool(), {{0.4 * w, 0.5 * h}, {0.6 * w, 0.5 * h}});
  whenIdle("the Keep stroke", [this, tools, w, h] {
    const double m = 0.03 * std::min(w, h);
    drag(tools->deleteLocalTool(), {{m, m}, {w - m, m}, {w - m, h - m}, {m, h - m}, {m, m}});
    whenIdle("the Delete stroke", [this] {
      timings_.insert(QStringLiteral("paintMs"), lap());
      generate();
    });
  });
}

void CutoutScript::generate() {
  CorvaneThread::submitToInstance(new CvCmdGenerateMask(GmModel::instance()));
  whenIdle("the mask", [this] {
    timings_.insert(QStringLiteral("maskMs"), lap());
    writePictures();
    saveAndReload();
  });
}

void CutoutScript::writePictures() {
  TsSourceImage* cutout = GmModel::instance()->blendImage();
  cutout->updateDisplayImage();
  cutout->displayImage().convertToFormat(QImage::Format_ARGB32).save(outDir_ + "/cutout.png");
  window_->grab().save(outDir_ + "/window.png");
}

void CutoutScript::saveAndReload() {
  const QByteArray statuses = statusBytes();
  int counts[3] = {0, 0, 0};
  for (const char byte : statuses) {
    const int status = byte & CvStatusClassMask;
    counts[0] += status == CvStatusKeep;
    counts[1] += status == CvStatusDelete;
    counts[2] += status == CvStatusBlend;
  }
  summary_.insert(QStringLiteral("keep"), counts[0]);
  summary_.insert(QStringLiteral("delete"), counts[1]);
  summary_.insert(QStringLiteral("blend"), counts[2]);
  statusesBefore_ = statuses;

  QFile file(outDir_ + "/project.dat");
  if (!file.open(QIODevice::WriteOnly) || !window_->fileHandler()->saveProject(file))
    return fail(QStringLiteral("the project could not be saved"));
  file.close();
  summary_.insert(QStringLiteral("projectBytes"), file.size());
  timings_.insert(QStringLiteral("saveMs"), lap());
  if (!file.open(QIODevice::ReadOnly) || !window_->fileHandler()->loadProject(file))
    return fail(QStringLiteral("the project could not be loaded"));
  whenIdle("the reloaded project", [this] {
    timings_.insert(QStringLiteral("loadMs"), lap());
    summary_.insert(QStringLiteral("reloadEqual"), statusBytes() == statusesBefore_);
    finish();
  });
}

void CutoutScript::finish() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  summary_.insert(QStringLiteral("peakResidentKB"), qint64(usage.ru_maxrss));
  summary_.insert(QStringLiteral("timings"), timings_);
  QFile file(outDir_ + "/summary.json");
  if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(summary_).toJson()) < 0)
    return fail(QStringLiteral("the summary could not be written"));
  file.close();
  const TsApp* app = TsApp::instance();
  if (app && app->isHosted()) {
    QAction* apply = window_->mainActions().saveAndApply;
    if (apply && apply->isEnabled())
      apply->trigger();
    else
      window_->saveAndApplySlot();
  } else {
    window_->setPromptOnClose(0);
    window_->close();
  }
}
