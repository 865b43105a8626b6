// Pictures dropped on the main window's canvases: the cut-out canvas and the composition view
// both hand the drop to the image receiver, whose picture the window opens as the new cut-out.

#include <gtest/gtest.h>

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "support/MainWindowFixture.h"
#include "composition/ZarvoWidget.h"
#include "document/TsSourceImage.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/GmZoomWidget.h"
#include "workspace/TsWorkspace.h"

namespace {

struct DropRow {
  const char* name;
  int mode;
  bool onComposition;  // the composition view, else the cut-out canvas
  bool changedFirst;   // the open cut-out was painted on: the question comes
  QMessageBox::StandardButton answer;
  bool opened;  // the dropped picture became the document's
};

void PrintTo(const DropRow& row, std::ostream* out) {
  *out << row.name;
}

class MainWindowDrop : public MainWindowTest, public ::testing::WithParamInterface<DropRow> {};

TEST_P(MainWindowDrop, ADroppedFileOpensAsTheNewCutout) {
  const DropRow& row = GetParam();
  start(row.mode);
  if (row.mode == TsApp::Normal) open(photo());
  if (row.changedFirst) paintStroke(CvStatusKeep, {{60, 62}, {100, 62}});
  const QString dropped = photo(QStringLiteral("dropped.png"), QSize(200, 150));
  dialogs.answers << AppDialogs::Answer{row.answer, -1};

  QWidget* target = window->imageView()->workspace()->canvas();
  if (row.onComposition) {
    window->imageView()->ensureViewTab(ImageView::ComposePicture, ImageView::ComposePicture);
    target = window->compositionWidget()->viewport();
  }
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(dropped)});
  // A drop goes to the widget that accepted the drag's entry, as on screen.
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  EXPECT_TRUE(drop.isAccepted());
  waitIdle();

  const TsSourceImage* image = GmModel::instance()->segImage();
  EXPECT_EQ(dialogs.shown.size(), row.changedFirst ? 1 : 0);
  if (!row.opened) {
    EXPECT_TRUE(!image || GmModel::instance()->imageSize() != QSize(200, 150));
    return;
  }
  ASSERT_TRUE(image);
  EXPECT_EQ(GmModel::instance()->imageSize(), QSize(200, 150));
  ASSERT_TRUE(zarvo_test::waitFor(
      [this] { return GmTool::current() == window->tools()->deleteLocalTool(); }));
  EXPECT_EQ(window->imageView()->currentViewTab(), ImageView::DeleteBackground);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, MainWindowDrop,
    ::testing::Values(
        DropRow{"cutoutCanvas", TsApp::Normal, false, false, QMessageBox::NoButton, true},
        DropRow{"cutoutCanvasDiscarding", TsApp::Normal, false, true, QMessageBox::Discard, true},
        DropRow{"cutoutCanvasCancelled", TsApp::Normal, false, true, QMessageBox::Cancel, false},
        DropRow{"compositionView", TsApp::Normal, true, false, QMessageBox::NoButton, true},
        DropRow{"hostedRefuses", TsApp::Hosted, false, false, QMessageBox::NoButton, false}),
    [](const ::testing::TestParamInfo<DropRow>& info) { return std::string(info.param.name); });

}  // namespace
