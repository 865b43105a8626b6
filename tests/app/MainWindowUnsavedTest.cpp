// The unsaved-changes question asks exactly when work would be lost: never for a photo just
// opened, by whichever road, always for a change still on its way; a failed open loses nothing.

#include <gtest/gtest.h>

#include <functional>

#include <QUrl>

#include "composition/CompositionTools.h"
#include "composition/CutoutController.h"
#include "composition/CutoutInstanceItem.h"
#include "composition/HighlightBrushTool.h"
#include "composition/ShadowTool.h"
#include "document/CvCmdBeginSession.h"
#include "document/CvCmdClearUndoRedo.h"
#include "support/MainWindowFixture.h"

namespace {

class MainWindowUnsaved : public MainWindowTest {
 public:
  using MainWindowTest::dialogs;
  using MainWindowTest::photo;
  using MainWindowTest::waitIdle;

  void drop(const QString& path, const char* url = nullptr) {
    window->receivedImageSlot(NamedImage(QImage(path), QUrl(url ? url : "file://" + path)));
  }
  FileHandler* files() const { return window->fileHandler(); }
  // The file handler, with `path` as the next file dialog's answer.
  FileHandler* choosing(const QString& path) {
    dialogs.fileAnswers << path;
    return files();
  }
  const CompositionTools* tools() const { return window->compositionTools(); }
};

using Step = std::function<void(MainWindowUnsaved*, const QString& photo)>;
struct Row {
  const char* name;
  Step open;
  Step change;  // still on its way when the question comes
};
void PrintTo(const Row& row, std::ostream* out) {
  *out << row.name;
}

void widen(MainWindowUnsaved*, const QString&) {
  ZarvoObject* hub = ZarvoObject::instance();
  hub->setCanvasRect(QRect(QPoint(0, 0), hub->canvasRect().size() + QSize(40, 0)));
}
void stroke(MainWindowUnsaved*, const QString&) {
  auto* stroke = new Brushing(Qt::red);
  stroke->beginStroke({10, 10});
  stroke->continueStroke({60, 12});
  CorvaneThread::instance()->submit(new CvCmdSelect(GmModel::instance(), stroke, CvStatusClassMask,
                                                    CvStatusDelete, false, false));
}

class UnsavedRoads : public MainWindowUnsaved, public ::testing::WithParamInterface<Row> {};

TEST_P(UnsavedRoads, APhotoJustOpenedAsksNothingAndAChangeOnItsWayAsks) {
  start();
  // A new session starts with every pixel kept, the first selection after its beginning and
  // the program's own, and then clears the undo history: a question while either runs stays
  // quiet too (the keep-all start has finished by the clear's). A road may stroke an earlier
  // photo on its way; that selection is the user's.
  enum class Opening { Other, SessionBegun, KeptAll };
  Opening stage = Opening::Other;
  int keepAllStarts = 0, clears = 0;
  const QMetaObject::Connection opening = QObject::connect(
      thread(), &CorvaneThread::commandStarted, window, [&](CorvaneCommand* command) {
        if (qobject_cast<CvCmdBeginSession*>(command)) {
          stage = Opening::SessionBegun;
        } else if (stage == Opening::SessionBegun && dynamic_cast<CvCmdSelect*>(command)) {
          stage = Opening::KeptAll;
          ++keepAllStarts;
          EXPECT_FALSE(asks()) << "while the keep-all start runs";
        } else if (stage == Opening::KeptAll && qobject_cast<CvCmdClearUndoRedo*>(command)) {
          stage = Opening::Other;
          ++clears;
          EXPECT_FALSE(asks()) << "when the undo history is cleared after the keep-all start";
        }
      });
  GetParam().open(this, photo());
  EXPECT_FALSE(asks()) << "a quick close";
  waitIdle();
  QObject::disconnect(opening);
  EXPECT_GE(keepAllStarts, 1);
  EXPECT_EQ(clears, keepAllStarts);
  ASSERT_NE(GmModel::instance()->segImage(), nullptr);
  EXPECT_FALSE(asks());
  GetParam().change(this, QString());
  EXPECT_TRUE(asks());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnsavedRoads,
    ::testing::Values(
        Row{"commandLineThenAStroke", [](auto* t, auto& p) { t->files()->loadFile(p); }, stroke},
        Row{"openDialogThenAShadow", [](auto* t, auto& p) { t->choosing(p)->fileOpenSlot(); },
            [](auto* t, auto&) { t->tools()->shadowTool()->typeBox()->setCurrentIndex(2); }},
        Row{"recentFileThenAHighlightWhileItsCopyIsMade",
            [](auto* t, auto& p) { t->files()->cutoutRecentSlot(p); },
            [](auto* t, auto&) {
              t->tools()->highlightBrushTool()->refreshHighlitImage();
              t->tools()->highlightBrushTool()->addPoint(QPointF(20, 20));
            }},
        Row{"newCutoutThenAMove", [](auto* t, auto& p) { t->choosing(p)->cutoutNewSlot(); },
            [](auto*, auto&) {
              QGraphicsItem* item = CutoutController::instance()->instances().first();
              item->setPos(item->pos() + QPointF(15, 0));
            }},
        Row{"dropThenAWebLink",
            [](auto* t, auto& p) {
              t->drop(p);
              t->waitIdle();
              t->drop(t->photo("other.png", QSize(120, 160)), "http://example.com/b.png");
            },
            widen},
        Row{"secondPhotoAfterAStroke",
            [](auto* t, auto& p) {
              t->files()->loadFile(t->photo("first.png", QSize(120, 160)));
              t->waitIdle();
              stroke(t, p);
              t->waitIdle();
              t->dialogs.answers = {AppDialogs::Answer{QMessageBox::Discard, -1}};
              t->files()->cutoutRecentSlot(p);
            },
            stroke},
        Row{"engineFails",
            [](auto* t, auto& p) {
              corvaneEntryPoints().CvGenerateMask = [](auto...) { return CvResult(5); };
              t->files()->loadImage(p);
            },
            widen}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowUnsaved, AFailedOpenKeepsTheCompositionAndItsUnsavedState) {
  start();
  open(photo());
  widen(this, QString());
  const QImage layer = ZarvoObject::instance()->layers().cutout;
  const QString unreadable = photo("cut.png"), gone = folder.filePath("gone.png");
  ASSERT_TRUE(QFile::resize(unreadable, 20));
  for (const QString& path : {unreadable, gone}) {
    dialogs.answers = {AppDialogs::Answer{QMessageBox::Discard, -1}};
    path == unreadable ? choosing(path)->cutoutNewSlot() : files()->cutoutRecentSlot(path);
    EXPECT_TRUE(
        dialogs.shown.last().text.startsWith("Sorry - could not open file " + path + "\n\n"));
    EXPECT_EQ(CutoutController::instance()->instances().size(), 1);
    EXPECT_EQ(ZarvoObject::instance()->layers().cutout, layer);
    EXPECT_TRUE(asks());
  }
}

}  // namespace
