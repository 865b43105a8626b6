// Renders one of the team's SVG drawings to the PNG that the program loads as a resource, at
// the pixel size its root element gives. Run by the build (art/CMakeLists.txt), never shipped.
//   zarvo-art <drawing.svg> <image.png>

#include <cstdio>

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zarvo-art <drawing.svg> <image.png>\n");
    return 2;
  }
  // No application object: drawings hold no text, so no fonts and no platform are needed.
  const QString source = QString::fromLocal8Bit(argv[1]);
  const QString target = QString::fromLocal8Bit(argv[2]);

  QSvgRenderer drawing(source);
  const QSize size = drawing.defaultSize();
  if (!drawing.isValid() || size.isEmpty() || size.width() > 1024 || size.height() > 1024) {
    std::fprintf(stderr, "zarvo-art: %s is no drawing of a usable size\n", argv[1]);
    return 1;
  }
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawing.render(&painter);
  }
  image = image.convertToFormat(QImage::Format_ARGB32);
  // A clear pixel is stored as transparent white, so a cursor image read as 1-bit data (dark
  // is set) has its clear pixels unset.
  for (int y = 0; y < image.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(line[x]) == 0) line[x] = 0x00FFFFFFu;
  }
  if (!image.save(target, "PNG")) {
    std::fprintf(stderr, "zarvo-art: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
