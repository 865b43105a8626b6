#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include <QBuffer>
#include <QImage>

#include "ExifBytes.h"
#include "document/JpegMetadata.h"

namespace {

using exif_bytes::Entry;
using exif_bytes::Tiff;

bool read(const QByteArray& bytes, JpegMetadata& metadata) {
  return readJpegMetadata(reinterpret_cast<const unsigned char*>(bytes.constData()),
                          size_t(bytes.size()), metadata);
}

// A first directory of one entry, then a value of two 32-bit words after it.
QByteArray withValueAfter(bool intel, Entry entry, uint32_t first, uint32_t second) {
  Tiff tiff(intel);
  tiff.directory({entry});
  tiff.put(first, 4);
  tiff.put(second, 4);
  return exif_bytes::jpegWithExif(tiff.exifBody());
}

// `depth` Exif sub-directories chained from the first; the orientation sits in the last.
QByteArray nested(int depth) {
  Tiff tiff(false);
  for (int level = 0; level < depth; ++level) tiff.directory({{0x8769, 4, 1, tiff.size() + 18}});
  tiff.directory({{0x0112, 3, 1, 6}});
  return exif_bytes::jpegWithExif(tiff.exifBody());
}

TEST(JpegMetadata, ReadsTheOrientationOrFailsWithoutLeavingTheInput) {
  using namespace exif_bytes;
  const QByteArray six = jpegWithDirectory(false, {{0x0112, 3, 1, 6}});
  Tiff threeTags(true);  // the first directory's, the thumbnail's (counted), a third (ignored)
  threeTags.directory({{0x0112, 3, 1, 3}, {0x8769, 4, 1, 56}}, 38);
  threeTags.directory({{0x0112, 3, 1, 5}});
  threeTags.directory({{0x0112, 3, 1, 7}});
  Tiff farAway(true, 0xFFFFFF00u);
  farAway.directory({{0x0112, 3, 1, 6}});
  QByteArray countPastEnd = jpegWithDirectory(true, {{0x0112, 3, 1, 6}});
  countPastEnd[2 + 4 + 6 + 8] = char(200);  // entry count: after SOI, marker, length, header
  Tiff linkPastEnd(true);                   // an old tool's cut-off thumbnail: ignored
  linkPastEnd.directory({{0x0112, 3, 1, 6}}, 8 + 18 + 10);
  Tiff selfLinked(false);  // every entry and the next link lead back to this directory
  std::vector<Entry> entries{{0x0112, 3, 1, 8}};
  entries.resize(2000, {0x8769, 4, 1, 8});
  selfLinked.directory(entries, 8);

  struct Case {
    const char* name;
    QByteArray bytes;
    bool ok;
    int orientation;
  } const cases[] = {
      {"6, Motorola", six, true, 6},
      {"6, Intel", jpegWithDirectory(true, {{0x0112, 3, 1, 6}}), true, 6},
      {"rational 6/1", withValueAfter(true, {0x0112, 5, 1, 26}, 6, 1), true, 6},
      {"rational over 0", withValueAfter(false, {0x0112, 10, 1, 26}, 6, 0), true, 0},
      {"9", jpegWithDirectory(false, {{0x0112, 3, 1, 9}}), true, 0},
      {"-1", jpegWithDirectory(true, {{0x0112, 8, 1, 0xFFFF}}), true, 0},
      {"huge rational", withValueAfter(true, {0x0112, 5, 1, 26}, 0x7FFFFFFF, 1), true, 0},
      {"NaN", jpegWithDirectory(true, {{0x0112, 11, 1, 0x7FC00000}}), true, 0},
      {"a double of no components", jpegWithDirectory(true, {{0x0112, 12, 0, 0}}), true, 0},
      {"three tags", jpegWithExif(threeTags.exifBody()), true, 3},
      {"nested 4 deep", nested(4), true, 6},
      {"nested 5 deep", nested(5), true, 0},
      {"no Exif", startOfImage() + frameAndScan(), true, 0},
      {"six padding bytes", startOfImage() + QByteArray(5, char(0xFF)) + six.mid(2), true, 6},
      {"seven padding bytes", startOfImage() + QByteArray(6, char(0xFF)) + six.mid(2), false, 0},
      {"PNG", QByteArray("\x89PNG\r\n\x1a\n", 8), false, 0},
      {"truncated in a body", six.left(20), false, 0},
      {"end between segments", startOfImage() + segment(0xE1, Tiff(true).exifBody()), false, 0},
      {"end of image first", startOfImage() + QByteArray("\xFF\xD9\x00\x02", 4), false, 0},
      {"first directory at 0xFFFFFF00", jpegWithExif(farAway.exifBody()), true, 0},
      {"6-byte Exif segment", jpegWithExif(QByteArray("Exif\0\0", 6)), true, 0},
      {"value offset near 2^32", withValueAfter(false, {0x0112, 5, 1, 0xFFFFFFFC}, 6, 1), true, 0},
      {"entry count past the end", countPastEnd, true, 0},
      {"link just past the end", jpegWithExif(linkPastEnd.exifBody()), true, 6},
      {"directories linking themselves", jpegWithExif(selfLinked.exifBody()), true, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JpegMetadata metadata;
    metadata.orientation = 4;
    EXPECT_EQ(read(c.bytes, metadata), c.ok);
    EXPECT_EQ(metadata.orientation, c.orientation);
    EXPECT_EQ(metadata.frameMarker, c.ok ? 0xC0 : 0) << "a failed read clears the record";
  }
}

TEST(JpegMetadata, AnImageQtWroteHasAFrameAndNoOrientation) {
  QImage image(16, 8, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(image.save(&buffer, "JPEG"));
  JpegMetadata metadata;
  EXPECT_TRUE(read(bytes, metadata));
  EXPECT_EQ(metadata.orientation, 0);
  EXPECT_EQ(QSize(metadata.width, metadata.height), QSize(16, 8));
  EXPECT_TRUE(metadata.isColour);
}

}  // namespace

namespace {

TEST(JpegMetadata, AStreamIsCompleteOnlyWhenItsImageDataReachesTheEndMarker) {
  using namespace exif_bytes;
  // An end marker in the Exif segment (a thumbnail's) lies before the scan and does not count.
  const QByteArray thumbnail = segment(0xE1, QByteArray("Exif\0\0\xFF\xD9", 8));
  const QByteArray whole = jpegWithDirectory(false, {{0x0112, 3, 1, 6}});
  struct Row {
    const char* name;
    QByteArray bytes;
    bool scanned;
    bool complete;
  };
  const Row rows[] = {
      {"whole", whole, true, true},
      {"endMarkerCut", whole.left(whole.size() - 1), true, false},
      {"dataCut", whole.left(whole.size() - 2), true, false},
      {"thumbnailOnly", startOfImage() + thumbnail + frameAndScan().chopped(2), true, false},
      {"stuffedFF", startOfImage() + frameAndScan().chopped(2) + QByteArray("\xFF\x00\xD9", 3),
       true, false},
      {"endAfterRestart",
       startOfImage() + frameAndScan().chopped(2) + QByteArray("\xFF\xD0\x01\xFF\xD9", 5), true,
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    JpegMetadata metadata;
    EXPECT_EQ(readJpegMetadata(reinterpret_cast<const unsigned char*>(row.bytes.constData()),
                               size_t(row.bytes.size()), metadata, JpegScan::ToEnd),
              row.scanned);
    EXPECT_EQ(metadata.complete, row.complete);
    JpegMetadata headers;
    read(row.bytes, headers);
    EXPECT_FALSE(headers.complete) << "only asked for, it is read";
    EXPECT_EQ(headers.orientation, metadata.orientation);
  }
}

}  // namespace
