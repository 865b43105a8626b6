#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "ExifBytes.h"
#include "document/JpegMetadata.h"

namespace {

using exif_bytes::Entry;
using exif_bytes::Tiff;

struct Read {
  bool ok;
  JpegMetadata metadata;
};

Read readBytes(const QByteArray& bytes) {
  Read r;
  r.ok = readJpegMetadata(reinterpret_cast<const unsigned char*>(bytes.constData()),
                          size_t(bytes.size()), r.metadata);
  return r;
}

// Orientation as a rational numerator / denominator stored after the directory.
QByteArray rationalOrientation(bool intel, uint32_t numerator, uint32_t denominator) {
  Tiff tiff(intel);
  const uint32_t valueAt = 8 + 2 + 12 + 4;
  tiff.directory({{0x0112, 5, 1, valueAt}});
  tiff.put32(numerator);
  tiff.put32(denominator);
  return exif_bytes::jpegWithExif(tiff.exifBody());
}

// Sub-directories chained `depth` deep from the first; the orientation sits in the last.
QByteArray nestedOrientation(int depth, uint16_t value) {
  Tiff tiff(false);
  for (int level = 0; level < depth; ++level) {
    const uint32_t next = uint32_t(tiff.size() + 2 + 12 + 4);
    tiff.directory({{0x8769, 4, 1, next}});
  }
  tiff.directory({{0x0112, 3, 1, value}});
  return exif_bytes::jpegWithExif(tiff.exifBody());
}

struct Case {
  const char* name;
  std::function<QByteArray()> bytes;
  bool ok;
  int orientation;
};

class JpegMetadataBytes : public ::testing::TestWithParam<Case> {};

TEST_P(JpegMetadataBytes, ReadsWhatTheStreamHolds) {
  const Read r = readBytes(GetParam().bytes());
  EXPECT_EQ(r.ok, GetParam().ok);
  EXPECT_EQ(r.metadata.orientation, GetParam().orientation);
  if (!r.ok) {
    EXPECT_EQ(r.metadata.frameMarker, 0) << "a failed read leaves a cleared record";
  }
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Orientation, JpegMetadataBytes,
    ::testing::Values(
        Case{"Six_Motorola", [] { return exif_bytes::orientedJpeg(false, 6); }, true, 6},
        Case{"Six_Intel", [] { return exif_bytes::orientedJpeg(true, 6); }, true, 6},
        Case{"Eight_Intel", [] { return exif_bytes::orientedJpeg(true, 8); }, true, 8},
        Case{"RationalSixOverOne", [] { return rationalOrientation(true, 6, 1); }, true, 6},
        Case{"RationalTwelveOverTwo", [] { return rationalOrientation(false, 12, 2); }, true, 6},
        Case{"RationalZeroDenominator", [] { return rationalOrientation(false, 6, 0); }, true, 0},
        Case{"NineReadsZero", [] { return exif_bytes::orientedJpeg(false, 9); }, true, 0},
        Case{"MinusOneReadsZero",
             [] {
               Tiff tiff(true);
               tiff.directory({{0x0112, 8, 1, 0xFFFF}});
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 0},
        Case{"HugeRationalReadsZero", [] { return rationalOrientation(true, 0x7FFFFFFF, 1); }, true,
             0},
        Case{"NaNReadsZero",
             [] {
               Tiff tiff(true);
               tiff.directory({{0x0112, 11, 1, 0x7FC00000}});
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 0},
        Case{"SignedByteSeven",
             [] {
               Tiff tiff(false);
               tiff.directory({{0x0112, 6, 1, 7}});
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 7},
        Case{"FirstOfThreeTagsWins",
             [] {
               // The first directory's tag, the thumbnail's (counted), a third (ignored).
               Tiff tiff(true);
               const uint32_t second = 8 + 2 + 2 * 12 + 4;
               const uint32_t third = second + 2 + 12 + 4;
               tiff.directory({{0x0112, 3, 1, 3}, {0x8769, 4, 1, third}}, second);
               tiff.directory({{0x0112, 3, 1, 5}});
               tiff.directory({{0x0112, 3, 1, 7}});
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 3},
        Case{"StringFormatReadsZero",
             [] {
               Tiff tiff(true);
               tiff.directory({{0x0112, 2, 1, '6'}});
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 0},
        Case{"NestedFourDeep", [] { return nestedOrientation(4, 6); }, true, 6},
        Case{"NestedFiveDeepIsNotWalked", [] { return nestedOrientation(5, 6); }, true, 0}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Stream, JpegMetadataBytes,
    ::testing::Values(
        Case{"NoExif", [] { return exif_bytes::startOfImage() + exif_bytes::frameAndScan(); }, true,
             0},
        Case{"SixPaddingBytesPass",
             [] {
               return exif_bytes::startOfImage() + QByteArray(5, char(0xFF)) +
                      exif_bytes::orientedJpeg(false, 6).mid(2);
             },
             true, 6},
        Case{"SevenPaddingBytesFail",
             [] {
               return exif_bytes::startOfImage() + QByteArray(6, char(0xFF)) +
                      exif_bytes::orientedJpeg(false, 6).mid(2);
             },
             false, 0},
        Case{"Empty", [] { return QByteArray(); }, false, 0},
        Case{"NotJpeg", [] { return QByteArray("\x89PNG\r\n\x1a\n", 8); }, false, 0},
        Case{"TruncatedInsideABody",
             [] {
               const QByteArray whole = exif_bytes::orientedJpeg(false, 6);
               return whole.left(20);
             },
             false, 0},
        Case{"EndOfFileBetweenSegments",
             [] {
               return exif_bytes::startOfImage() + exif_bytes::segment(0xE1, [] {
                        Tiff t(false);
                        t.directory({{0x0112, 3, 1, 6}});
                        return t.exifBody();
                      }());
             },
             false, 0},
        Case{"EndOfFileInsideALength",
             [] { return exif_bytes::startOfImage() + QByteArray("\xFF\xE1\x00", 3); }, false, 0},
        Case{"LengthBelowTwo",
             [] { return exif_bytes::startOfImage() + QByteArray("\xFF\xE1\x00\x01", 4); }, false,
             0},
        Case{"EndOfImageBeforeScan",
             [] { return exif_bytes::startOfImage() + QByteArray("\xFF\xD9\x00\x02", 4); }, false,
             0}),
    caseName);

INSTANTIATE_TEST_SUITE_P(
    Hostile, JpegMetadataBytes,
    ::testing::Values(
        Case{"FirstDirectoryFarAway",
             [] {
               Tiff tiff(true, 0xFFFFFF00u);
               tiff.directory({{0x0112, 3, 1, 6}});
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 0},
        Case{"FirstDirectoryOnTheLastByte",
             [] {
               Tiff tiff(true, 8);
               return exif_bytes::jpegWithExif(tiff.exifBody() + QByteArray(1, '\x05'));
             },
             true, 0},
        Case{"ExifHeaderOnly", [] { return exif_bytes::jpegWithExif(QByteArray("Exif\0\0", 6)); },
             true, 0},
        Case{"ExifHeaderAndHalfATiffHeader",
             [] { return exif_bytes::jpegWithExif(QByteArray("Exif\0\0MM\0*", 10)); }, true, 0},
        Case{"ValueOffsetNearTwoToThe32",
             [] {
               // Offset + 8 wraps to a small number in 32 bits.
               Tiff tiff(false);
               tiff.directory({{0x0112, 5, 1, 0xFFFFFFFCu}});
               tiff.put32(6);
               tiff.put32(1);
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 0},
        Case{"TooManyComponents",
             [] {
               Tiff tiff(false);
               tiff.directory({{0x0112, 3, 0x10001, 6}});
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 0},
        Case{"EntriesRunPastTheSegment",
             [] {
               Tiff tiff(true);
               tiff.directory({{0x0112, 3, 1, 6}});
               QByteArray body = tiff.exifBody();
               body[6 + 8] = char(200);  // the entry count
               return exif_bytes::jpegWithExif(body);
             },
             true, 0},
        Case{"LinkJustPastTheEndIsIgnored",
             [] {
               Tiff tiff(true);
               tiff.directory({{0x0112, 3, 1, 6}}, uint32_t(8 + 2 + 12 + 4 + 10));
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 6},
        Case{"DirectoriesLinkingThemselves",
             [] {
               // Every entry links back to its own directory, and so does the next link.
               Tiff tiff(false);
               std::vector<Entry> entries{{0x0112, 3, 1, 8}};
               for (int i = 0; i < 2000; ++i) entries.push_back({0x8769, 4, 1, 8});
               tiff.directory(entries, 8);
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 8},
        Case{"ZeroComponentRational",
             [] {
               Tiff tiff(true);
               tiff.directory({{0x0112, 12, 0, 0}});
               return exif_bytes::jpegWithExif(tiff.exifBody());
             },
             true, 0}),
    caseName);

TEST(JpegMetadata, FrameFieldsComeFromTheStartOfFrame) {
  const Read r = readBytes(exif_bytes::orientedJpeg(true, 1));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.metadata.width, 640);
  EXPECT_EQ(r.metadata.height, 480);
  EXPECT_TRUE(r.metadata.isColour);
  EXPECT_EQ(r.metadata.frameMarker, 0xC0);
}

TEST(JpegMetadata, AnImageQtWroteReadsWithoutOrientation) {
  QImage image(16, 8, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  ASSERT_TRUE(image.save(&buffer, "JPEG"));
  const Read r = readBytes(bytes);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.metadata.orientation, 0);
  EXPECT_EQ(r.metadata.width, 16);
  EXPECT_EQ(r.metadata.height, 8);
}

TEST(JpegMetadata, AFileThatCannotBeOpenedFails) {
  JpegMetadata metadata;
  metadata.orientation = 5;
  EXPECT_FALSE(loadJpegMetadata(QStringLiteral("/nonexistent/zarvo/photo.jpg"), metadata));
  EXPECT_EQ(metadata.orientation, 0);
}

}  // namespace
