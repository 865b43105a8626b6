#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QPointF>
#include <QString>
#include <QTimer>
#include <QVector>

class GmTool;
class TsMainWindow;

// The test host's "cutout" script: a user's whole cut-out on the main window's image, with real
// mouse events on the canvas. It waits for the engine's queue to empty (60 s at most, else the
// run ends with 3), paints Keep across the middle fifth with the Erase Exact brush and Delete
// along the border with the Delete Local brush, generates the mask of the whole image, writes
// OUTDIR/cutout.png (the document's cut-out with alpha) and OUTDIR/window.png (the window),
// saves the project to OUTDIR/project.dat, loads it back and compares the statuses, writes
// OUTDIR/summary.json, and closes the window without a question ("&Save and Apply" in the
// hosted modes). GUI thread.
class CutoutScript : public QObject {
  Q_OBJECT

 public:
  CutoutScript(TsMainWindow* window, const QString& outDir);

  void start();
  // -1 while the run may end as the program decides; 3 once the script gave up.
  int exitCode() const { return exitCode_; }

 private:
  // Runs `next` once the engine's queue has stayed empty a moment; `what` names the wait in the
  // log line of a time-out.
  void whenIdle(const char* what, std::function<void()> next);
  void poll();
  void paint();
  // A left-button drag through `points` (image coordinates) with `tool` installed.
  void drag(GmTool* tool, const QVector<QPointF>& points);
  void generate();
  void writePictures();
  void saveAndReload();
  void finish();
  void fail(const QString& why);
  qint64 lap();

  QPointer<TsMainWindow> window_;
  QString outDir_;
  int exitCode_ = -1;
  QTimer poll_;
  QElapsedTimer waited_;
  QElapsedTimer idleFor_;
  QElapsedTimer clock_;
  qint64 lastLap_ = 0;
  const char* waitingFor_ = "";
  std::function<void()> next_;
  QJsonObject timings_;
  QJsonObject summary_;
  QByteArray statusesBefore_;
};
