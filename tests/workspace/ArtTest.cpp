// The team's drawings reach the program as the resources the tools load.

#include <QBitmap>
#include <QImage>

#include "WorkspaceTestSupport.h"

namespace {

struct ArtRow {
  const char* path;
  int width;
  bool cursor;
  int height = 0;  // 0: as wide as high
};

class ArtTest : public ::testing::TestWithParam<ArtRow> {};

TEST_P(ArtTest, ResourcesHaveTheirSizesAndClearGround) {
  const ArtRow& row = GetParam();
  // Both spellings of the resource name reach the same image.
  const QImage image(QString(":/images/") + row.path);
  ASSERT_FALSE(image.isNull()) << row.path;
  EXPECT_EQ(image, QImage(QString(":images/") + row.path));
  EXPECT_EQ(image.size(), QSize(row.width, row.height ? row.height : row.width));
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

INSTANTIATE_TEST_SUITE_P(
    Images, ArtTest,
    ::testing::Values(
        ArtRow{"tool_image_pan.png", 48, false}, ArtRow{"tool_image_zoom.png", 48, false},
        ArtRow{"tool_delete_exact.png", 48, false}, ArtRow{"tool_delete_local.png", 48, false},
        ArtRow{"tool_complex_exact.png", 48, false}, ArtRow{"tool_erase_exact.png", 48, false},
        ArtRow{"curs_data_handopen.png", 32, true}, ArtRow{"curs_data_handgrab.png", 32, true},
        ArtRow{"curs_data_zoomin.png", 32, true}, ArtRow{"curs_data_zoomout.png", 32, true},
        ArtRow{"curs_data_zoomunavailable.png", 32, true},
        ArtRow{"curs_data_handpoint.png", 32, true}, ArtRow{"curs_mask_handpoint.png", 32, true},
        ArtRow{"curs_mask_handopen.png", 32, true}, ArtRow{"curs_mask_handgrab.png", 32, true},
        ArtRow{"nav_zoom_in.png", 16, false}, ArtRow{"nav_zoom_out.png", 16, false},
        ArtRow{"progress_size1.png", 16, false}, ArtRow{"progress_size2.png", 16, false},
        ArtRow{"progress_size3.png", 16, false}, ArtRow{"tool_colour_pick.png", 48, false},
        ArtRow{"colour_mode_plane.png", 24, false}, ArtRow{"colour_mode_strip.png", 24, false},
        ArtRow{"colour_auto_blend.png", 20, false},
        ArtRow{"colour_view_unassigned_on.png", 20, false},
        ArtRow{"colour_view_unassigned_off.png", 20, false},
        ArtRow{"colour_view_keep_on.png", 20, false}, ArtRow{"colour_view_keep_off.png", 20, false},
        ArtRow{"colour_view_delete_on.png", 20, false},
        ArtRow{"colour_view_delete_off.png", 20, false},
        ArtRow{"colour_view_blend_on.png", 20, false},
        ArtRow{"colour_view_blend_off.png", 20, false},
        ArtRow{"colour_to_unassigned.png", 16, false}, ArtRow{"colour_to_keep.png", 16, false},
        ArtRow{"colour_to_delete.png", 16, false}, ArtRow{"colour_to_blend.png", 16, false},
        ArtRow{"slider_handle_horizontal.png", 11, false, 19},
        ArtRow{"slider_handle_vertical.png", 19, false, 11}));

// The edge option tools' icons sit under the program's own prefix.
TEST(ArtTest, EdgeToolIconsAreThere) {
  for (const char* name : {"tool_edge_blending", "tool_edge_finding"}) {
    const QImage image(QString(":zarvo/%1.png").arg(name));
    ASSERT_EQ(image.size(), QSize(48, 48)) << name;
    EXPECT_EQ(image, QImage(QString(":/zarvo/%1.png").arg(name)));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << name;
  }
}

// A cursor's mask covers its drawing: every pixel the drawing sets, the mask sets too.
TEST(CursorMaskTest, MasksCoverTheirDrawings) {
  for (const char* hand : {"handpoint", "handopen", "handgrab"}) {
    auto bits = [&](const char* kind) {
      return QBitmap::fromImage(QImage(QString(":/images/curs_%1_%2.png").arg(kind, hand)))
          .toImage()
          .convertToFormat(QImage::Format_Mono);
    };
    const QImage data = bits("data"), mask = bits("mask");
    int uncovered = 0, beyond = 0;
    for (int y = 0; y < data.height(); ++y)
      for (int x = 0; x < data.width(); ++x) {
        const bool drawn = qGray(data.pixel(x, y)) < 128, opaque = qGray(mask.pixel(x, y)) < 128;
        uncovered += drawn && !opaque;
        beyond += opaque && !drawn;
      }
    EXPECT_EQ(uncovered, 0) << hand;
    // The white rim lies beyond the black drawing.
    EXPECT_GT(beyond, 40) << hand;
  }
}

}  // namespace
