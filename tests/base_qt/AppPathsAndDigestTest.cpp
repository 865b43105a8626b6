#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>

#include "kestrum/qt/AppPaths.h"
#include "kestrum/qt/Digest.h"

namespace {

TEST(AppPaths, ResolveAgainstTheProgramFolderOrTheOverride) {
  const QString program = QCoreApplication::applicationDirPath();
  EXPECT_EQ(kestrum::appDirPath("Help"), program + "/Help");
  EXPECT_EQ(kestrum::appDirPath("."), program);
  EXPECT_EQ(kestrum::appDirPath("a/../b//c.txt"), program + "/b/c.txt");
  EXPECT_EQ(kestrum::appDirPath("/opt/x/../y"), "/opt/y");
  EXPECT_EQ(kestrum::appFilePath("distributor.xml"), program + "/distributor.xml");
  kestrum::setAppDirOverride("/srv/zarvo/");
  EXPECT_EQ(kestrum::appFilePath("distributor.png"), "/srv/zarvo/distributor.png");
  EXPECT_EQ(kestrum::appDirPath("Tutorials/index.htm"), "/srv/zarvo/Tutorials/index.htm");
  kestrum::setAppDirOverride(QString());
  EXPECT_EQ(kestrum::appDirPath("Help"), program + "/Help");
}

TEST(Digest, RawMd5OfBytesTextAndStoredPixels) {
  EXPECT_EQ(kestrum::dataDigest(QByteArray()).toHex(), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(kestrum::textDigest("abc").toHex(), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(kestrum::textDigest(QString::fromUtf8("\xc3\xa9")), kestrum::dataDigest("\xc3\xa9"));
  EXPECT_EQ(kestrum::textDigest("abc").size(), 16);

  // A 3-pixel-wide 8-bit image has padded lines: the padding is part of what is hashed.
  QImage image(3, 2, QImage::Format_Grayscale8);
  image.fill(7);
  ASSERT_EQ(image.bytesPerLine(), 4);
  const QByteArray stored(reinterpret_cast<const char*>(image.constBits()), 8);
  EXPECT_EQ(kestrum::imageDigest(image), kestrum::dataDigest(stored));

  QImage colour(5, 4, QImage::Format_ARGB32_Premultiplied);
  colour.fill(qRgba(10, 20, 30, 255));
  EXPECT_EQ(kestrum::imageDigest(QPixmap::fromImage(colour)),
            kestrum::imageDigest(QPixmap::fromImage(colour).toImage()));
  QImage changed = colour;
  changed.setPixel(4, 3, qRgba(10, 20, 31, 255));
  EXPECT_NE(kestrum::imageDigest(changed), kestrum::imageDigest(colour));
}

}  // namespace
