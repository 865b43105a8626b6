#include <gtest/gtest.h>

#include "kestrum/qt/NamedImage.h"

namespace {

TEST(NamedImage, NameIsTheFileNameOfTheAddressPath) {
  struct Row {
    const char* url;
    const char* name;
  };
  const Row rows[] = {
      {"https://example.com/pictures/cat%20photo.jpg?size=large#top", "cat photo.jpg"},
      {"file:///home/user/Pictures/beach.png", "beach.png"},
      {"https://example.com/pictures/", ""},
      {"", ""},
  };
  QImage picture(4, 3, QImage::Format_ARGB32);
  picture.fill(Qt::red);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.url);
    const NamedImage named(picture, QUrl(QString::fromUtf8(row.url)));
    EXPECT_EQ(named.name(), QString::fromUtf8(row.name));
    EXPECT_EQ(named.size(), picture.size());
  }
}

}  // namespace
