#include "workspace/ColourDisplay.h"

#include <algorithm>
#include <mutex>

#include <QMouseEvent>
#include <QPainter>

#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/GmStatusArray.h"
#include "document/UserColours.h"
#include "kestrum/qt/RowBands.h"

using namespace kestrum::colour;

namespace {

constexpr int kValues = 256;
// Bytes a row of a 256-wide 1-bit plane.
constexpr int kPlaneRowBytes = kValues / 8;
// Fewest rows a band of the count takes.
constexpr int kCountBandRows = 16;

QImage blankPlane() {
  QImage plane(kValues, kValues, QImage::Format_Mono);
  plane.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  plane.fill(0);
  return plane;
}

bool planeBit(const QImage& plane, int x, int y) {
  return (plane.constScanLine(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

// Index 1 over the columns first..last of the rows top..bottom (all inclusive).
void setPlaneBits(QImage& plane, int first, int last, int top, int bottom) {
  for (int y = top; y <= bottom; ++y) {
    uchar* row = plane.scanLine(y);
    for (int x = first; x <= last; ++x) row[x >> 3] |= uchar(0x80u >> (x & 7));
  }
}

bool planeIsEmpty(const QImage& plane) {
  for (int y = 0; y < kValues; ++y) {
    const uchar* row = plane.constScanLine(y);
    if (std::any_of(row, row + kPlaneRowBytes, [](uchar byte) { return byte != 0; })) return false;
  }
  return true;
}

bool isHls(channel which) {
  return which >= Hue && which <= Saturation;
}

// Calls f with the function object that reads `which` of a QRgb on 0..255, so each channel (or
// pair) gets a pixel loop of its own.
template <class F>
void withChannel(channel which, F&& f) {
  switch (which) {
    case Hue:
      f([](QRgb c) { return rgbToHue(c) & 0xFF; });
      break;
    case Lightness:
      f([](QRgb c) { return rgbToLightness(c) & 0xFF; });
      break;
    case Saturation:
      f([](QRgb c) { return rgbToSaturation(c) & 0xFF; });
      break;
    case Red:
      f([](QRgb c) { return qRed(c); });
      break;
    case Green:
      f([](QRgb c) { return qGreen(c); });
      break;
    case Blue:
      f([](QRgb c) { return qBlue(c); });
      break;
  }
}

QRgb fromHls(int hue, int lightness, int saturation) {
  qint16 c0 = qint16(hue), c1 = qint16(lightness), c2 = qint16(saturation);
  kestrum::convertColourSpace(c0, c1, c2, kestrum::ColourSpaceHLS, kestrum::ColourSpaceRGB, 255);
  return qRgb(c0, c1, c2);
}

// A value that does not occur: darkened towards a grey, so the ones that do stand out.
QRgb dimmed(QRgb c) {
  return qRgb(32 + qRed(c) / 5, 32 + qGreen(c) / 5, 32 + qBlue(c) / 5);
}

QRgb over(QRgb below, const QColor& mark) {
  const int a = mark.alpha();
  auto mix = [a](int top, int bottom) { return (top * a + bottom * (255 - a) + 127) / 255; };
  return qRgb(mix(mark.red(), qRed(below)), mix(mark.green(), qGreen(below)),
              mix(mark.blue(), qBlue(below)));
}

}  // namespace

ColourDisplay::ColourDisplay(QWidget* parent)
    : QWidget(parent),
      stroke1D_(kValues, false),
      selection1D_(kValues, false),
      stroke2D_(blankPlane()),
      selection2D_(blankPlane()),
      lastEmitted1D_(kValues, false),
      lastEmitted2D_(blankPlane()),
      highlightColour_(
          UserColours::instance()->colour(UserColours::ColorWorkspaceHighlight)->color()) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setMouseTracking(mode_ == TwoChannels);
}

// ---- State

void ColourDisplay::setChannels(channel horizontal, channel vertical) {
  horizontal_ = horizontal;
  vertical_ = vertical;
  wantRecount();
}

void ColourDisplay::setMode(int mode) {
  mode_ = mode == OneChannel ? OneChannel : TwoChannels;
  setMouseTracking(mode_ == TwoChannels && pickState_ == kPickingFromImage);
  updateGeometry();
  // The count has the shape of the mode.
  wantRecount();
}

void ColourDisplay::setColourBits(int bits) {
  shift_ = 8 - std::clamp(bits, 1, 8);
  backdropDirty_ = true;
  const int first = (0xFF << shift_) & 0xFF;
  if (mode_ == OneChannel) {
    // In rising order: a bucket's first value is read before the others take it.
    for (int v = 0; v < kValues; ++v) selection1D_[size_t(v)] = selection1D_[size_t(v & first)];
  } else {
    QImage blocks = blankPlane();
    for (int y = 0; y < kValues; ++y)
      for (int x = 0; x < kValues; ++x)
        if (planeBit(selection2D_, x & first, y & first)) setPlaneBits(blocks, x, x, y, y);
    selection2D_ = blocks;
  }
  emitHighlight();
  wantRecount();
}

void ColourDisplay::setStatusMask(int mask) {
  statusMask_ = CvPixelStatus(mask & CvStatusClassMask);
  wantRecount();
  forceEmission_ = true;
  emitHighlight();
}

void ColourDisplay::setPickState(int state) {
  pickState_ = state;
}

void ColourDisplay::setColourImage(const QImage& image) {
  colourImage_ = image;
  wantRecount();
}

void ColourDisplay::wantRecount() {
  recountWanted_ = true;
  backdropDirty_ = true;
  update();
}

bool ColourDisplay::occurs(int x, int y) const {
  const size_t at = mode_ == OneChannel ? size_t(x) : size_t(y) * kValues + size_t(x);
  return x >= 0 && x < kValues && y >= 0 && y < kValues && at < present_.size() && present_[at];
}

// ---- Selection

void ColourDisplay::colourPicked(QColor colour, Qt::KeyboardModifiers modifiers) {
  const int stateAtEntry = pickState_;
  modifiers_ =
      modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (modifiers_ != Qt::ShiftModifier && modifiers_ != Qt::AltModifier) unHighlight();
  const QRgb rgb = colour.rgb();
  auto bucket = [this](int value, int* first, int* last) {
    *first = (value >> shift_) << shift_;
    *last = (((value >> shift_) + 1) << shift_) - 1;
  };
  int first = 0, last = 0;
  bucket(channelValue(rgb, horizontal_), &first, &last);
  if (mode_ == OneChannel) {
    std::fill(stroke1D_.begin() + first, stroke1D_.begin() + last + 1, true);
    pickState_ = 1;
    setMouseTracking(false);
  } else {
    int bottom = 0, top = 0;
    bucket(channelValue(rgb, vertical_), &bottom, &top);
    setPlaneBits(stroke2D_, first, last, bottom, top);
    if (pickState_ != kPickingFromImage) {
      pickState_ = 3;
      setMouseTracking(false);
    }
  }
  emitHighlight();
  update();
  commitStroke();
  if (stateAtEntry == kPickingFromImage) {
    pickState_ = kPickingFromImage;
    setMouseTracking(mode_ == TwoChannels);
  }
}

void ColourDisplay::emitHighlight() {
  const bool remove = removing();
  if (mode_ == OneChannel) {
    std::vector<bool> combined(kValues);
    for (size_t v = 0; v < combined.size(); ++v)
      combined[v] = remove ? selection1D_[v] && !stroke1D_[v] : selection1D_[v] || stroke1D_[v];
    if (forceEmission_ || combined != lastEmitted1D_) {
      highlightEmpty_ = std::none_of(combined.begin(), combined.end(), [](bool on) { return on; });
      emit highlightChanged(combined, horizontal_, statusMask_);
      lastEmitted1D_ = combined;
    }
  } else {
    QImage combined = blankPlane();
    for (int y = 0; y < kValues; ++y) {
      const uchar* selected = selection2D_.constScanLine(y);
      const uchar* stroke = stroke2D_.constScanLine(y);
      uchar* out = combined.scanLine(y);
      for (int i = 0; i < kPlaneRowBytes; ++i)
        out[i] = remove ? uchar(selected[i] & ~stroke[i]) : uchar(selected[i] | stroke[i]);
    }
    if (forceEmission_ || combined != lastEmitted2D_) {
      highlightEmpty_ = planeIsEmpty(combined);
      emit highlightChanged(combined, horizontal_, vertical_, statusMask_);
      lastEmitted2D_ = combined;
    }
  }
  forceEmission_ = false;
}

void ColourDisplay::commitStroke() {
  const bool remove = removing();
  for (size_t v = 0; v < stroke1D_.size(); ++v) {
    if (stroke1D_[v]) selection1D_[v] = !remove;
    stroke1D_[v] = false;
  }
  for (int y = 0; y < kValues; ++y) {
    const uchar* stroke = stroke2D_.constScanLine(y);
    uchar* selected = selection2D_.scanLine(y);
    for (int i = 0; i < kPlaneRowBytes; ++i)
      selected[i] = remove ? uchar(selected[i] & ~stroke[i]) : uchar(selected[i] | stroke[i]);
  }
  stroke2D_.fill(0);
}

void ColourDisplay::unHighlight() {
  std::fill(stroke1D_.begin(), stroke1D_.end(), false);
  std::fill(selection1D_.begin(), selection1D_.end(), false);
  stroke2D_.fill(0);
  selection2D_.fill(0);
  update();
  emit unHighlit();
  forceEmission_ = true;
  emitHighlight();
}

void ColourDisplay::statusArrayChanged() {
  // With every status viewed the statuses do not decide what is counted.
  if (statusMask_ != CvStatusClassMask) wantRecount();
}

void ColourDisplay::highlightColourChanged(QColor colour) {
  highlightColour_ = colour;
  update();
}

// ---- Count of the values that occur

void ColourDisplay::recount() {
  recountWanted_ = false;
  backdropDirty_ = true;
  const size_t cells = mode_ == OneChannel ? kValues : size_t(kValues) * kValues;
  present_.assign(cells, 0);
  if (colourImage_.isNull()) return;
  const QImage colours = colourImage_.depth() == 32
                             ? colourImage_
                             : colourImage_.convertToFormat(QImage::Format_ARGB32);
  QImage statuses, mask;
  if (GmModel* model = GmModel::existingInstance()) {
    // The copy the views paint from: the engine may be writing the statuses themselves.
    statuses = model->statusArray()->displayImage();
    if (GmRegion* patch = model->activeRegion()) mask = patch->snapshotMask();
  }
  // Without statuses (no session yet) every pixel counts.
  if (statuses.size() != colours.size() || statuses.depth() != 8) statuses = QImage();
  QRect area = colours.rect();
  if (mask.depth() == 8)
    area &= QRect(mask.offset(), mask.size());
  else
    mask = QImage();
  if (area.isEmpty()) return;

  const uint8_t viewed = statusMask_;
  std::mutex merging;
  auto count = [&](auto cellOf) {
    kestrum::runRowBands(area.height(), kCountBandRows, [&](int begin, int end) {
      std::vector<uint8_t> found(cells, 0);
      for (int row = begin; row < end; ++row) {
        const int y = area.top() + row;
        const QRgb* line = reinterpret_cast<const QRgb*>(colours.constScanLine(y));
        const uchar* status = statuses.isNull() ? nullptr : statuses.constScanLine(y);
        const uchar* inside = mask.isNull() ? nullptr : mask.constScanLine(y - mask.offset().y());
        const int insideLeft = mask.offset().x();
        for (int x = area.left(); x <= area.right(); ++x) {
          if (inside && !inside[x - insideLeft]) continue;
          if (status && !(status[x] & viewed)) continue;
          found[cellOf(line[x])] = 1;
        }
      }
      const std::lock_guard<std::mutex> lock(merging);
      for (size_t i = 0; i < cells; ++i) present_[i] |= found[i];
    });
  };
  if (mode_ == OneChannel) {
    withChannel(horizontal_, [&](auto value) { count([&](QRgb c) { return size_t(value(c)); }); });
  } else {
    withChannel(horizontal_, [&](auto across) {
      withChannel(vertical_, [&](auto up) {
        count([&](QRgb c) { return size_t(up(c)) * kValues + size_t(across(c)); });
      });
    });
  }
}

// ---- Drawing

channel ColourDisplay::partnerFor(channel chosen, channel other) {
  if (other != chosen && other >= Hue && other <= Blue && isHls(other) == isHls(chosen))
    return other;
  switch (chosen) {
    case Hue:
      return Lightness;
    case Lightness:
    case Saturation:
      return Hue;
    case Red:
      return Green;
    case Green:
    case Blue:
      return Red;
  }
  return Lightness;
}

QRgb ColourDisplay::valueColour(channel which, int value) {
  const int v = std::clamp(value, 0, 255);
  switch (which) {
    case Hue:
      return fromHls(v, 128, 255);
    case Lightness:
      return qRgb(v, v, v);
    case Saturation:
      return fromHls(0, 128, v);
    case Red:
      return qRgb(v, 0, 0);
    case Green:
      return qRgb(0, v, 0);
    case Blue:
      return qRgb(0, 0, v);
  }
  return qRgb(0, 0, 0);
}

QRgb ColourDisplay::pairColour(channel horizontal, int x, channel vertical, int y) {
  // The third channel of the model stands at its middle.
  int c[3] = {128, 128, 128};
  const int base = isHls(horizontal) ? Hue : Red;
  c[std::clamp(int(horizontal) - base, 0, 2)] = std::clamp(x, 0, 255);
  c[std::clamp(int(vertical) - base, 0, 2)] = std::clamp(y, 0, 255);
  return base == Hue ? fromHls(c[0], c[1], c[2]) : qRgb(c[0], c[1], c[2]);
}

QString ColourDisplay::channelName(channel which) {
  switch (which) {
    case Hue:
      return tr("Hue");
    case Lightness:
      return tr("Lightness");
    case Saturation:
      return tr("Saturation");
    case Red:
      return tr("Red");
    case Green:
      return tr("Green");
    case Blue:
      return tr("Blue");
  }
  return QString();
}

QSize ColourDisplay::sizeHint() const {
  return mode_ == OneChannel ? QSize(256, 48) : QSize(256, 256);
}

QSize ColourDisplay::minimumSizeHint() const {
  return mode_ == OneChannel ? QSize(128, 32) : QSize(128, 192);
}

QRect ColourDisplay::colourArea() const {
  // The whole widget, so the axis rulers beside it span exactly its values.
  return rect();
}

const QImage& ColourDisplay::backdrop() {
  if (recountWanted_) recount();
  if (!backdropDirty_) return backdrop_;
  backdropDirty_ = false;
  // Each bucket shows the colour of its first value, and occurs when any of its values does.
  const int first = (0xFF << shift_) & 0xFF;
  const bool counted = !present_.empty();
  std::vector<uint8_t> occurring = present_;
  if (counted && shift_ > 0) {
    const int rows = mode_ == OneChannel ? 1 : kValues;
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < kValues; ++x)
        if (present_[size_t(y) * kValues + size_t(x)])
          occurring[size_t(y & first) * kValues + size_t(x & first)] = 1;
    for (int y = 0; y < rows; ++y)
      for (int x = 0; x < kValues; ++x)
        occurring[size_t(y) * kValues + size_t(x)] =
            occurring[size_t(y & first) * kValues + size_t(x & first)];
  }
  if (mode_ == OneChannel) {
    backdrop_ = QImage(kValues, 1, QImage::Format_RGB32);
    auto* line = reinterpret_cast<QRgb*>(backdrop_.scanLine(0));
    for (int v = 0; v < kValues; ++v) {
      const QRgb c = valueColour(horizontal_, v & first);
      line[v] = counted && !occurring[size_t(v)] ? dimmed(c) : c;
    }
    return backdrop_;
  }
  backdrop_ = QImage(kValues, kValues, QImage::Format_RGB32);
  for (int row = 0; row < kValues; ++row) {
    const int y = kValues - 1 - row;  // the vertical value rises upwards
    auto* line = reinterpret_cast<QRgb*>(backdrop_.scanLine(row));
    for (int x = 0; x < kValues; ++x) {
      const QRgb c = pairColour(horizontal_, x & first, vertical_, y & first);
      line[x] = counted && !occurring[size_t(y) * kValues + size_t(x)] ? dimmed(c) : c;
    }
  }
  return backdrop_;
}

QColor ColourDisplay::markColour() const {
  // The colour the canvas highlights the pixels in, at the mask opacity.
  if (GmModel* model = GmModel::existingInstance()) {
    const QImage& highlight = model->statusArray()->highlightImage();
    if (!highlight.isNull() && highlight.colorCount() > 1)
      return QColor::fromRgba(highlight.color(1));
  }
  QColor colour = highlightColour_;
  colour.setAlphaF(0.85);
  return colour;
}

void ColourDisplay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect area = colourArea();
  if (area.isEmpty()) return;
  const QImage& colours = backdrop();
  const QColor mark = markColour();
  if (mode_ == OneChannel) {
    // The strip above, and below it a band that marks the values selected.
    const int bandHeight = std::max(4, area.height() / 4);
    const QRect strip(area.left(), area.top(), area.width(), area.height() - bandHeight);
    painter.drawImage(strip, colours);
    QImage band(kValues, 1, QImage::Format_RGB32);
    auto* line = reinterpret_cast<QRgb*>(band.scanLine(0));
    for (int v = 0; v < kValues; ++v)
      line[v] = selection1D_[size_t(v)] ? over(qRgb(40, 40, 40), mark) : qRgb(40, 40, 40);
    painter.drawImage(QRect(area.left(), strip.bottom() + 1, area.width(), bandHeight), band);
  } else {
    QImage shown = colours.copy();
    for (int y = 0; y < kValues; ++y) {
      auto* line = reinterpret_cast<QRgb*>(shown.scanLine(kValues - 1 - y));
      for (int x = 0; x < kValues; ++x)
        if (planeBit(selection2D_, x, y)) line[x] = over(line[x], mark);
    }
    painter.drawImage(area, shown);
  }
}

void ColourDisplay::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = true;
  dragged_ = false;
}

void ColourDisplay::mouseMoveEvent(QMouseEvent* event) {
  if (!pressed_ || !(event->buttons() & Qt::LeftButton) || dragged_) return;
  dragged_ = true;
  emit paintMode();
}

void ColourDisplay::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  if (!dragged_) emit clickInColourDisplay();
}
