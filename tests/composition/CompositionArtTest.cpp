// The composition's drawings reach the program as the resources its items and tools load.

#include <gtest/gtest.h>

#include <QImage>

namespace {

struct ArtRow {
  const char* path;  // as the code names it
  int side;
};

class CompositionArt : public ::testing::TestWithParam<ArtRow> {};

TEST_P(CompositionArt, ResourcesHaveTheirSizesAndClearGround) {
  const ArtRow& row = GetParam();
  const QString path = QString::fromLatin1(row.path);
  const QImage image(path);
  ASSERT_FALSE(image.isNull()) << row.path;
  // ":zarvo/x" and ":/zarvo/x" name the same resource.
  EXPECT_EQ(image, QImage(QString(path).replace(0, 1, ":/")));
  EXPECT_EQ(image.size(), QSize(row.side, row.side));
  EXPECT_TRUE(image.hasAlphaChannel());
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Images, CompositionArt,
    ::testing::Values(
        ArtRow{":zarvo/handle_scale.png", 32}, ArtRow{":zarvo/handle_drag.png", 32},
        ArtRow{":zarvo/handle_rotate.png", 32}, ArtRow{":images/tool_select.png", 48},
        ArtRow{":images/tool_final_options.png", 48}, ArtRow{":images/tool_shadow.png", 48},
        ArtRow{":images/tool_sharpen_image.png", 48},
        ArtRow{":images/tool_highlight_brush.png", 48}, ArtRow{":images/tool_compress.png", 48},
        ArtRow{":images/tool_import_logo.png", 48}, ArtRow{":zarvo/cursor_highlight.png", 32},
        ArtRow{":zarvo/aspect_portrait.png", 32}, ArtRow{":zarvo/aspect_landscape.png", 32},
        ArtRow{":zarvo/aspect_square.png", 32}, ArtRow{":zarvo/aspect_custom.png", 32},
        ArtRow{":zarvo/chain_solid.png", 32}, ArtRow{":zarvo/chain_broken.png", 32},
        ArtRow{":images/paintbucket.png", 32}, ArtRow{":images/paintbucket_mask.png", 32},
        ArtRow{":images/handle_gradient.png", 25}, ArtRow{":images/tool_background.png", 48},
        ArtRow{":images/tool_image_size.png", 48}));

}  // namespace
