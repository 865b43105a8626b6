// The team's drawings reach the program as the resources the tools load.

#include <QBitmap>
#include <QImage>

#include "WorkspaceTestSupport.h"

namespace {

struct ArtRow {
  const char* path;
  int side;
  bool cursor;
};

class ArtTest : public ::testing::TestWithParam<ArtRow> {};

TEST_P(ArtTest, ResourcesHaveTheirSizesAndClearGround) {
  const ArtRow& row = GetParam();
  // Both spellings of the resource name reach the same image.
  const QImage image(QString(":/images/") + row.path);
  ASSERT_FALSE(image.isNull()) << row.path;
  EXPECT_EQ(image, QImage(QString(":images/") + row.path));
  EXPECT_EQ(image.size(), QSize(row.side, row.side));
  EXPECT_TRUE(image.hasAlphaChannel());
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  if (!row.cursor) return;
  // Read as 1-bit data, the clear ground is unset and the black drawing set.
  const QImage bits = QBitmap::fromImage(image).toImage().convertToFormat(QImage::Format_Mono);
  int set = 0;
  for (int y = 0; y < bits.height(); ++y)
    for (int x = 0; x < bits.width(); ++x) {
      const bool isSet = qGray(bits.pixel(x, y)) < 128;
      set += isSet;
      if (qAlpha(image.pixel(x, y)) == 0) {
        EXPECT_FALSE(isSet) << x << "," << y;
      }
    }
  EXPECT_GT(set, 40);
}

INSTANTIATE_TEST_SUITE_P(Images, ArtTest,
                         ::testing::Values(ArtRow{"tool_image_pan.png", 48, false},
                                           ArtRow{"tool_image_zoom.png", 48, false},
                                           ArtRow{"curs_data_handopen.png", 32, true},
                                           ArtRow{"curs_data_handgrab.png", 32, true},
                                           ArtRow{"curs_data_zoomin.png", 32, true},
                                           ArtRow{"curs_data_zoomout.png", 32, true},
                                           ArtRow{"curs_data_zoomunavailable.png", 32, true}));

}  // namespace
