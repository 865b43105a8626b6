// The background library: the scan of a real folder (sub-folders, hidden entries, a link back
// to its parent, files that are no images or lie about their size), thumbnails arriving row by
// row, the chooser driven through its widgets, and the library the build puts beside the program.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImageReader>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "WaitFor.h"
#include "composition/ImageLibraryChooserDialog.h"
#include "composition/LibraryModel.h"
#include "support/ProgramFolder.h"

using namespace composition_test;

namespace {

class Library : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program.ok());
    const QByteArray jpeg = encodedImage(quadrants(1000, 500), "JPG");
    ASSERT_TRUE(program.write("backgrounds/B.jpg", jpeg));
    ASSERT_TRUE(program.write("backgrounds/a.jpg", encodedImage(quadrants(200, 100), "JPG")));
    ASSERT_TRUE(program.write("backgrounds/sub/c.png", encodedImage(quadrants(64, 64), "PNG")));
    ASSERT_TRUE(program.write("backgrounds/sea.view.jpg", encodedImage(quadrants(40, 30), "JPG")));
    ASSERT_TRUE(program.write("backgrounds/.hidden.jpg", jpeg));
    ASSERT_TRUE(program.write("backgrounds/.cache/d.jpg", jpeg));
    ASSERT_TRUE(program.write("backgrounds/notes.txt", "no picture here\n"));
    ASSERT_TRUE(program.write("backgrounds/truncated.jpg", jpeg.left(200)));
    ASSERT_TRUE(program.write("backgrounds/huge.jpg", jpegClaiming(60000, 60000)));
    // A link back to the program folder: following it would never end.
    ASSERT_TRUE(QFile::link(program.path("."), program.libraryFile("loop")));
  }
  void TearDown() override { LibraryModel::destroyInstance(); }

  QStringList expectedFiles() const {
    QStringList files;
    for (const char* name :
         {"B.jpg", "a.jpg", "huge.jpg", "notes.txt", "sea.view.jpg", "sub/c.png", "truncated.jpg"})
      files << program.libraryFile(QLatin1String(name));
    return files;
  }
  static bool allThumbnailsLoaded() {
    LibraryModel* model = LibraryModel::instance();
    return model->loadedThumbnails() == model->rowCount();
  }

  ProgramFolder program;
};

TEST_F(Library, ListsEveryFileOnceInCaseSensitiveOrderOfPath) {
  EXPECT_EQ(LibraryModel::libraryFolder(), program.library());
  EXPECT_EQ(LibraryModel::scan(program.library()), expectedFiles());
  LibraryModel* model = LibraryModel::instance();
  EXPECT_EQ(model->files(), expectedFiles());
  EXPECT_EQ(model->rowCount(), 7);
  // A missing folder, or a path that is no folder: an empty list.
  EXPECT_TRUE(LibraryModel::scan(program.path("nowhere")).isEmpty());
  EXPECT_TRUE(LibraryModel::scan(program.libraryFile("sub/c.png")).isEmpty());
}

TEST_F(Library, RowsShowBaseNamesPathsAndThePlaceholderUntilLoaded) {
  LibraryModel* model = LibraryModel::instance();
  const QModelIndex sea = model->index(4);
  EXPECT_EQ(sea.data(Qt::DisplayRole).toString(), "sea");
  EXPECT_EQ(sea.data(Qt::ToolTipRole).toString(), "sea");
  EXPECT_EQ(sea.data(Qt::UserRole).toString(), program.libraryFile("sea.view.jpg"));
  EXPECT_FALSE(sea.data(Qt::EditRole).isValid());
  EXPECT_FALSE(model->index(7).data(Qt::DisplayRole).isValid());
  EXPECT_FALSE(model->data(QModelIndex(), Qt::DisplayRole).isValid());

  ASSERT_EQ(model->loadedThumbnails(), 0);
  const QImage placeholder = sea.data(Qt::DecorationRole).value<QPixmap>().toImage();
  EXPECT_EQ(placeholder.size(), QSize(85, 85));
  EXPECT_EQ(placeholder.pixel(42, 42), qRgb(255, 255, 255));
}

TEST_F(Library, ThumbnailsArriveRowByRowStretchedToEightyFiveSquare) {
  LibraryModel* model = LibraryModel::instance();
  QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
  ASSERT_TRUE(zarvo_test::waitFor(allThumbnailsLoaded));
  ASSERT_EQ(changed.size(), model->rowCount());
  for (int row = 0; row < changed.size(); ++row) {
    EXPECT_EQ(changed.at(row).at(0).toModelIndex().row(), row);
    EXPECT_EQ(changed.at(row).at(1).toModelIndex().row(), row);
  }
  // B.jpg, 1000 x 500, fills the square: its quadrants stay quadrants.
  const QImage b = model->index(0).data(Qt::DecorationRole).value<QPixmap>().toImage();
  ASSERT_EQ(b.size(), QSize(85, 85));
  EXPECT_GT(qRed(b.pixel(10, 10)), 200);
  EXPECT_GT(qGreen(b.pixel(75, 10)), 200);
  EXPECT_GT(qBlue(b.pixel(10, 75)), 200);
  EXPECT_GT(qGray(b.pixel(75, 75)), 200);
  // No image, a cut-off header, a size past the limit: empty thumbnails, names still shown.
  for (int row : {2, 3, 6}) {
    EXPECT_TRUE(model->index(row).data(Qt::DecorationRole).value<QPixmap>().isNull()) << row;
    EXPECT_FALSE(model->index(row).data(Qt::DisplayRole).toString().isEmpty());
  }
  EXPECT_EQ(model->index(5).data(Qt::DecorationRole).value<QPixmap>().size(), QSize(85, 85));
}

TEST_F(Library, ChooserPreselectsTheInitialImageAndEnablesOk) {
  ImageLibraryChooserDialog dialog(program.libraryFile("sub/c.png"));
  EXPECT_EQ(dialog.windowTitle(), "Choose Background...");
  EXPECT_EQ(dialog.chosenPath(), program.libraryFile("sub/c.png"));
  EXPECT_TRUE(dialog.okButton()->isEnabled());
  EXPECT_EQ(dialog.listView()->selectionModel()->selectedIndexes().value(0).row(), 5);

  // The bare folder, as before any image was chosen: nothing selected.
  ImageLibraryChooserDialog bare(program.library());
  EXPECT_TRUE(bare.chosenPath().isEmpty());
  EXPECT_FALSE(bare.okButton()->isEnabled());
  EXPECT_TRUE(bare.listView()->selectionModel()->selectedIndexes().isEmpty());
}

TEST_F(Library, ChooserFollowsTheSelectionAndAcceptsOrCancels) {
  ImageLibraryChooserDialog dialog(program.library());
  QSignalSpy canAccept(&dialog, &ImageLibraryChooserDialog::canAccept);
  QItemSelectionModel* selection = dialog.listView()->selectionModel();
  selection->select(LibraryModel::instance()->index(1), QItemSelectionModel::ClearAndSelect);
  EXPECT_EQ(dialog.chosenPath(), program.libraryFile("a.jpg"));
  EXPECT_TRUE(dialog.okButton()->isEnabled());
  selection->clearSelection();
  EXPECT_TRUE(dialog.chosenPath().isEmpty());
  EXPECT_FALSE(dialog.okButton()->isEnabled());
  ASSERT_EQ(canAccept.size(), 2);
  EXPECT_TRUE(canAccept.at(0).at(0).toBool());
  EXPECT_FALSE(canAccept.at(1).at(0).toBool());

  selection->select(LibraryModel::instance()->index(0), QItemSelectionModel::ClearAndSelect);
  dialog.okButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.chosenPath(), program.libraryFile("B.jpg"));

  ImageLibraryChooserDialog cancelled(program.libraryFile("a.jpg"));
  cancelled.cancelButton()->click();
  EXPECT_EQ(cancelled.result(), QDialog::Rejected);
  EXPECT_TRUE(cancelled.chosenPath().isEmpty());
}

TEST_F(Library, ADoubleClickAcceptsTheItemUnderThePointer) {
  ImageLibraryChooserDialog dialog(program.library());
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QListView* list = dialog.listView();
  const QPoint at = list->visualRect(LibraryModel::instance()->index(4)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.chosenPath(), program.libraryFile("sea.view.jpg"));
}

TEST(ShippedLibrary, LiesBesideTheProgramAsPhotographSizedJpegs) {
  kestrum::setAppDirOverride(QStringLiteral(ZARVO_PROGRAM_DIR));
  const QString folder = LibraryModel::libraryFolder();
  kestrum::setAppDirOverride(QString());
  EXPECT_EQ(folder, QDir::cleanPath(QStringLiteral(ZARVO_PROGRAM_DIR "/backgrounds")));
  const QStringList files = LibraryModel::scan(folder);
  ASSERT_GE(files.size(), 8);
  ASSERT_LE(files.size(), 12);
  int inSubFolders = 0;
  for (const QString& path : files) {
    const QFileInfo info(path);
    inSubFolders += info.absolutePath() != folder;
    EXPECT_GE(info.size(), 100 * 1024) << path.toStdString();
    EXPECT_LE(info.size(), 300 * 1024) << path.toStdString();
    QImageReader reader(path);
    EXPECT_EQ(reader.format(), "jpeg");
    EXPECT_EQ(reader.size(), QSize(1600, 1200));
  }
  EXPECT_GT(inSubFolders, 0);
}

}  // namespace
