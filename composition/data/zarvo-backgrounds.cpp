// Draws the background library that ships beside the program: photographic-looking grounds
// (sky, bokeh, paper, wood, studio sweep, brick, tints) from fixed seeds, the same bytes on
// every build. Run by the build (composition/data/CMakeLists.txt), never shipped itself.
//   zarvo-backgrounds <folder>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QRadialGradient>

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 1200;

// Uniform in [0, 1) from the engine's raw output, so the pictures do not depend on how a
// standard library implements its distributions.
double unit(std::mt19937& random) {
  return random() / 4294967296.0;
}

// Smooth value noise in [0, 1): a seeded lattice, bicubically faded, summed over octaves.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) {
    std::mt19937 random(seed);
    for (double& v : lattice_) v = unit(random);
  }
  double at(double x, double y, int octaves = 4) const {
    double sum = 0, amplitude = 1, total = 0;
    for (int o = 0; o < octaves; ++o) {
      sum += amplitude * single(x, y);
      total += amplitude;
      x *= 2.03, y *= 2.03, amplitude *= 0.5;
    }
    return sum / total;
  }

 private:
  static constexpr int kSide = 256;
  double node(int x, int y) const {
    return lattice_[(y & (kSide - 1)) * kSide + (x & (kSide - 1))];
  }
  double single(double x, double y) const {
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double top = node(x0, y0) + sx * (node(x0 + 1, y0) - node(x0, y0));
    const double bottom = node(x0, y0 + 1) + sx * (node(x0 + 1, y0 + 1) - node(x0, y0 + 1));
    return top + sy * (bottom - top);
  }
  double lattice_[kSide * kSide];
};

int clampByte(double v) {
  return std::clamp(int(std::lround(v)), 0, 255);
}

QRgb mix(QRgb a, QRgb b, double t) {
  return qRgb(clampByte(qRed(a) + (qRed(b) - qRed(a)) * t),
              clampByte(qGreen(a) + (qGreen(b) - qGreen(a)) * t),
              clampByte(qBlue(a) + (qBlue(b) - qBlue(a)) * t));
}

// Every pixel from `shade(x, y)`, with film grain of `grain` levels either way.
QImage shaded(std::uint32_t seed, double grain, const std::function<QRgb(int, int)>& shade) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  std::mt19937 random(seed);
  for (int y = 0; y < kHeight; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      const QRgb p = shade(x, y);
      const double g = (unit(random) - 0.5) * 2 * grain;
      line[x] = qRgb(clampByte(qRed(p) + g), clampByte(qGreen(p) + g), clampByte(qBlue(p) + g));
    }
  }
  return image;
}

QImage sky() {
  const Noise clouds(11);
  return shaded(12, 3, [&](int x, int y) {
    const double t = double(y) / kHeight;
    const QRgb base = mix(qRgb(58, 112, 186), qRgb(214, 228, 240), std::pow(t, 0.8));
    const double c = clouds.at(x / 260.0, y / 140.0, 5);
    const double cover = std::clamp((c - 0.52) * 3.2, 0.0, 1.0) * (1.0 - 0.5 * t);
    return mix(base, qRgb(250, 250, 252), cover);
  });
}

QImage bokeh() {
  QImage image = shaded(21, 2, [](int x, int y) {
    const double dx = x - kWidth * 0.45, dy = y - kHeight * 0.55;
    const double glow = std::exp(-(dx * dx + dy * dy) / (2 * 520.0 * 520.0));
    return mix(qRgb(14, 18, 30), qRgb(70, 52, 60), glow);
  });
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setCompositionMode(QPainter::CompositionMode_Plus);
  std::mt19937 random(22);
  const QRgb tints[] = {qRgb(255, 190, 90), qRgb(255, 120, 140), qRgb(120, 190, 255),
                        qRgb(255, 230, 170)};
  for (int i = 0; i < 70; ++i) {
    const QPointF centre(unit(random) * kWidth, unit(random) * kHeight);
    const double radius = 30 + 110 * unit(random) * unit(random);
    QColor colour(tints[random() % 4]);
    colour.setAlphaF(0.10 + 0.25 * unit(random));
    QColor edge = colour;
    edge.setAlphaF(0.0);
    QRadialGradient disc(centre, radius);
    disc.setColorAt(0, colour);
    disc.setColorAt(0.8, colour);
    disc.setColorAt(1, edge);
    painter.setBrush(disc);
    painter.drawEllipse(centre, radius, radius);
  }
  return image;
}

QImage paper() {
  const Noise fibres(31);
  const Noise blotches(32);
  return shaded(33, 5, [&](int x, int y) {
    const double f = fibres.at(x / 3.0, y / 40.0, 3);
    const double b = blotches.at(x / 300.0, y / 300.0, 3);
    return mix(qRgb(236, 226, 204), qRgb(205, 190, 160), 0.55 * b + 0.35 * f);
  });
}

QImage wood(std::uint32_t seed, QRgb light, QRgb dark) {
  const Noise warp(seed);
  const Noise grainNoise(seed + 1);
  return shaded(seed + 2, 3, [&](int x, int y) {
    // Planks 200 pixels high, each with its own ring centre; rings bent by noise.
    const int plank = y / 200;
    const double offset = plank * 977.0;
    const double w = warp.at((x + offset) / 400.0, y / 90.0, 3);
    const double rings = 0.5 + 0.5 * std::sin((y % 200 + 60 * w) / 7.0 + w * 9.0);
    const double fine = grainNoise.at((x + offset) / 2.0, y / 30.0, 2);
    double t = 0.6 * rings + 0.4 * fine;
    if (y % 200 < 3) t = 1.2;  // the seam between planks
    return mix(light, dark, std::clamp(t, 0.0, 1.0));
  });
}

QImage studioSweep() {
  return shaded(41, 2.5, [](int x, int y) {
    const double t = double(y) / kHeight;
    // Lighter where the backdrop curves toward the camera; darker corners.
    const double sweep = 0.35 + 0.55 * std::pow(t, 1.7);
    const double dx = (x - kWidth / 2.0) / (kWidth / 2.0);
    const double vignette = 1.0 - 0.25 * dx * dx;
    const int v = clampByte(255 * sweep * vignette);
    return qRgb(v, v, clampByte(v * 1.02));
  });
}

QImage brick(std::uint32_t seed, QRgb face, QRgb mortar, double wash) {
  const Noise surface(seed);
  std::mt19937 random(seed + 1);
  constexpr int kBrickW = 200, kBrickH = 66, kJoint = 10;
  std::vector<double> tone(size_t((kWidth / kBrickW + 2) * (kHeight / kBrickH + 2)));
  for (double& t : tone) t = unit(random);
  return shaded(seed + 2, 6, [&](int x, int y) {
    const int row = y / kBrickH;
    const int shifted = x + (row % 2) * kBrickW / 2;
    const int column = shifted / kBrickW;
    const bool joint = y % kBrickH < kJoint || shifted % kBrickW < kJoint;
    const double n = surface.at(x / 25.0, y / 25.0, 4);
    if (joint) return mix(mortar, qRgb(90, 90, 90), 0.4 * n);
    const double t = tone[size_t(row * (kWidth / kBrickW + 2) + column)];
    QRgb c = mix(face, qRgb(qRed(face) / 2, qGreen(face) / 2, qBlue(face) / 2), 0.35 * t + 0.4 * n);
    return mix(c, qRgb(235, 232, 225), wash * (0.6 + 0.4 * n));
  });
}

QImage tint(std::uint32_t seed, QRgb top, QRgb bottom) {
  const Noise cloud(seed);
  return shaded(seed + 1, 4, [&](int x, int y) {
    const double t = double(x + y) / (kWidth + kHeight);
    return mix(mix(top, bottom, t), qRgb(255, 255, 255), 0.12 * cloud.at(x / 200.0, y / 200.0));
  });
}

struct Entry {
  const char* path;
  int quality;
  std::function<QImage()> draw;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: zarvo-backgrounds <folder>\n");
    return 2;
  }
  // The JPEG writer is a plug-in: an application object lets Qt find it.
  QCoreApplication application(argc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  const Entry entries[] = {
      {"Sky Gradient.jpg", 90, sky},
      {"soft bokeh.jpg", 92, bokeh},
      {"Paper Grain.jpg", 85, paper},
      {"Studio Grey Sweep.jpg", 92, studioSweep},
      {"wood/Oak Planks.jpg", 85, [] { return wood(51, qRgb(196, 150, 100), qRgb(120, 78, 44)); }},
      {"wood/walnut.jpg", 85, [] { return wood(61, qRgb(120, 84, 58), qRgb(58, 36, 24)); }},
      {"brick/Red Brick.jpg", 80,
       [] { return brick(71, qRgb(160, 72, 52), qRgb(190, 184, 170), 0.0); }},
      {"brick/whitewashed brick.jpg", 80,
       [] { return brick(81, qRgb(170, 110, 90), qRgb(220, 216, 206), 0.65); }},
      {"Tints/Mint.jpg", 90, [] { return tint(91, qRgb(200, 236, 214), qRgb(150, 208, 180)); }},
      {"Tints/peach.jpg", 90, [] { return tint(101, qRgb(252, 222, 196), qRgb(236, 170, 140)); }},
      {"Tints/Sky Blue.jpg", 90,
       [] { return tint(111, qRgb(206, 228, 248), qRgb(140, 186, 230)); }},
  };
  for (const Entry& entry : entries) {
    const QString path = folder.filePath(QString::fromLatin1(entry.path));
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
      std::fprintf(stderr, "zarvo-backgrounds: cannot make the folder of %s\n", entry.path);
      return 1;
    }
    QImageWriter writer(path, "jpeg");
    writer.setQuality(entry.quality);
    writer.setOptimizedWrite(true);
    if (!writer.write(entry.draw())) {
      std::fprintf(stderr, "zarvo-backgrounds: cannot write %s: %s\n", entry.path,
                   qPrintable(writer.errorString()));
      return 1;
    }
  }
  return 0;
}
