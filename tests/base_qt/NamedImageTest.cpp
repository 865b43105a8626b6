#include <gtest/gtest.h>

#include <QVariant>

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

TEST(NamedImage, TravelsThroughAVariantWithItsAddress) {
  QImage picture(2, 2, QImage::Format_RGB32);
  picture.fill(Qt::blue);
  const NamedImage named(picture, QUrl(QStringLiteral("https://example.com/a/b.jpg")));
  const NamedImage back = QVariant::fromValue(named).value<NamedImage>();
  EXPECT_EQ(back.url(), named.url());
  EXPECT_EQ(back.pixel(1, 1), picture.pixel(1, 1));
}

}  // namespace
