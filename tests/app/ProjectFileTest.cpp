// The project file through the file handler: its bytes, a round trip through a new document,
// and every kind of foreign, damaged or hostile file refused with the document untouched.

#include <QDataStream>
#include <QVariantMap>

#include "app/AppIdentity.h"
#include "app/ProjectFile.h"
#include "app/TsAppStandAlone.h"
#include "document/BlendingStuff.h"
#include "document/GmStatusArray.h"
#include "document/KeyedStateReader.h"
#include "document/SavedCutoutState.h"
#include "document/TsSourceImage.h"
#include "support/AppTestSupport.h"
#include "support/FileHandlerFixture.h"

namespace {

class ProjectFile : public FileHandlerTest {
 protected:
  // A photo with statuses of every class painted and a blending setting changed.
  void paintedDocument(const QString& name = "photo.png") {
    open(writePhoto(name));
    const QSize working = model()->workingRect().size();
    QImage statuses(working, QImage::Format_Indexed8);
    statuses.setColorCount(256);
    for (int y = 0; y < working.height(); ++y)
      for (int x = 0; x < working.width(); ++x)
        statuses.setPixel(x, y, x < working.width() / 3 ? 2 : y < working.height() / 2 ? 4 : 8);
    model()->statusArray()->setPendingStatus(statuses);
    model()->statusArray()->sendPendingStatus();
    model()->blending()->options().blendRatioF_ = 0.3f;
    waitIdle();
  }
  static QByteArray state() { return keyedStateToBytes(model()->toVariant()); }
  // The document saved through the handler, as bytes.
  QByteArray saved() {
    QFile file(path("saved.project"));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    EXPECT_TRUE(handler->saveProject(file));
    file.close();
    return readFile(file.fileName());
  }
  // `bytes` loaded through the handler from a file named `name`.
  bool load(const QByteArray& bytes, const QString& name = "load.project") {
    EXPECT_TRUE(writeFile(path(name), bytes));
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const bool loaded = handler->loadProject(file);
    waitIdle();
    return loaded;
  }
  // A project of the current check value whose document is `map`.
  static QByteArray projectOf(const QVariant& map) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(projectfile::write(buffer, model()->segImage()->checksum(), map));
    return bytes;
  }
  static QByteArray withVersion(QByteArray bytes, int version) {
    bytes[7] = char(version);
    return bytes;
  }
  QString notOfFormat(const QString& name) const {
    return "File is not of the correct format \n" + path(name);
  }
};

TEST_F(ProjectFile, StartsWithMagicVersionAndTheImagesCheckValue) {
  paintedDocument();
  const QByteArray bytes = saved();
  const quint16 check = model()->segImage()->checksum();
  EXPECT_EQ(bytes.left(10), QByteArray("\x08\xE1\x16\x02\x00\x00\x00\x0B", 8) + char(check >> 8) +
                                char(check & 0xFF));
  EXPECT_NE(check, 0);
  EXPECT_EQ(handler->projectFileName(), path("saved.project"));

  model()->finish();
  waitIdle();
  EXPECT_EQ(saved().mid(8, 2), QByteArray(2, '\0')) << "no image, check value 0";
}

TEST_F(ProjectFile, ARoundTripGivesTheSameStatusesAndSettingsInANewDocument) {
  paintedDocument();
  const QByteArray before = state();
  const QByteArray bytes = saved();
  GmModel::destroyInstance();
  waitIdle();
  handler = std::make_unique<FileHandler>(&host);
  open(writePhoto("other.png", QSize(20, 20)));
  ASSERT_TRUE(load(bytes));
  EXPECT_EQ(model()->segImage()->fileName(), path("photo.png"))
      << "a normal run's project brings its image";
  EXPECT_EQ(model()->blending()->options().blendRatioF_, 0.3f);
  EXPECT_EQ(model()->statusArray()->statusesPresent() & 14, 14);
  EXPECT_EQ(state(), before);
  EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(ProjectFile, VersionsEightToElevenLoad) {
  paintedDocument();
  const QByteArray bytes = saved();
  for (int version = 8; version <= 11; ++version) {
    SCOPED_TRACE(version);
    EXPECT_TRUE(load(withVersion(bytes, version)));
  }
  EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(ProjectFile, ForeignDamagedAndHostileFilesAreRefusedUntouched) {
  paintedDocument();
  const QByteArray bytes = saved();
  const QVariantMap map = model()->toVariant().toMap();
  const auto changed = [&map](const QString& key, const QVariant& value) {
    QVariantMap copy = map;
    if (value.isValid())
      copy.insert(key, value);
    else
      copy.remove(key);
    return projectOf(copy);
  };
  QByteArray hugeMap = bytes.left(10);
  {
    QDataStream out(&hugeMap, QIODevice::Append);
    out.setVersion(QDataStream::Qt_5_15);
    out << quint32(QMetaType::QVariantMap) << quint8(0) << quint32(0x7FFFFFFF);
  }
  struct Row {
    const char* name;
    QByteArray bytes;
    QString message;  // %1 the file's name
  };
  const QString versionText = "Cannot load unsupported version %2 of  file \n%1";
  const QString formatText = "File is not of the correct format \n%1";
  const Row rows[] = {
      {"empty", QByteArray(), formatText},
      {"wrongMagic", QByteArray("\x08\xE1\x16\x03", 4) + bytes.mid(4), formatText},
      {"pngFile", readFile(path("photo.png")), formatText},
      {"version7", withVersion(bytes, 7), versionText.arg("%1", "7")},
      {"version12", withVersion(bytes, 12), versionText.arg("%1", "12")},
      {"trailingHeaderOnly", bytes.left(10), formatText},
      {"statusesAnInt", changed("statusArray_", 7), formatText},
      {"resolutionAString", changed("resolution_", "2"), formatText},
      {"targetsAMap", changed("arrowTargetList", QVariantMap()), formatText},
      {"noSettings", changed("imageSmeg_", QVariant()), formatText},
      {"resolutionThree", changed("resolution_", 3), formatText},
      {"notAMap", projectOf(QStringList{"a", "b"}), formatText},
      {"hugeLengthPrefix", hugeMap, formatText},
  };
  const QByteArray stateBefore = state();
  const TsSourceImage* image = model()->segImage();
  const auto expectRefused = [&](const QByteArray& file, const QString& message) {
    dialogs.shown.clear();
    EXPECT_FALSE(load(file, "bad.project"));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].icon, QMessageBox::Warning);
    EXPECT_EQ(dialogs.shown[0].title, productName());
    EXPECT_EQ(dialogs.shown[0].text, message.arg(path("bad.project")));
    EXPECT_EQ(model()->segImage(), image);
    EXPECT_EQ(state(), stateBefore);
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    expectRefused(row.bytes, row.message);
  }
  for (int sixteenth = 1; sixteenth < 16; ++sixteenth) {
    SCOPED_TRACE(sixteenth);
    expectRefused(bytes.left(bytes.size() * sixteenth / 16), formatText);
  }
}

TEST_F(ProjectFile, AHostedRunRefusesAProjectOfAnotherImage) {
  paintedDocument();
  const QByteArray bytes = saved();
  model()->finish();
  waitIdle();
  {
    TsAppStandAlone app(TsApp::Aperture);
    ASSERT_TRUE(app.loadApertureImages(writePhoto("host.png", QSize(40, 30))));
    ASSERT_TRUE(handler->installImages(app.sourceImage(), app.secondImage()));
    waitIdle();
    const QByteArray before = state();
    EXPECT_FALSE(load(bytes, "other.project"));
    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].text, "Cannot load  file\n\n" + path("other.project") +
                                         "\n\nbecause it was not created from the current image");
    EXPECT_EQ(model()->segImage(), app.sourceImage());
    EXPECT_EQ(state(), before);
    GmModel::destroyInstance();
    waitIdle();
  }
  handler = std::make_unique<FileHandler>(&host);
}

TEST_F(ProjectFile, AFullDiskIsReported) {
  paintedDocument();
  QFile full("/dev/full");
  ASSERT_TRUE(full.open(QIODevice::WriteOnly));
  EXPECT_FALSE(handler->saveProject(full));
  EXPECT_FALSE(logLinesWith("The project could not be written to /dev/full").isEmpty());
}

TEST_F(ProjectFile, ASavedCutoutComesBackThroughTheDocumentsHooks) {
  paintedDocument();
  const QByteArray before = state();
  SavedCutoutState saved;
  ASSERT_TRUE(saved.open());
  ASSERT_TRUE(handler->saveProject(saved));
  saved.close();
  model()->finish();
  waitIdle();
  ASSERT_TRUE(saved.restore());
  waitIdle();
  EXPECT_EQ(state(), before);
}

}  // namespace
