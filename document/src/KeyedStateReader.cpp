#include "document/KeyedStateReader.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include <QBitmap>
#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <QtEndian>

#include "document/DocumentMetaTypes.h"

namespace {

constexpr int maxDepth = 32;
// Decoded image memory one read may commit to, and one image alone.
constexpr qint64 imageBytesBudget = qint64(1) << 30;
constexpr qint64 imageBytesLimit = qint64(1) << 29;
constexpr quint32 maxImageSide = 32767;

const char pngSignature[] = "\x89PNG\r\n\x1a\n";

class Reader {
 public:
  explicit Reader(QDataStream& in) : in_(in), device_(in.device()) {}

  bool readVariant(QVariant& out, int depth);

 private:
  bool refuse() {
    in_.setStatus(QDataStream::ReadCorruptData);
    return false;
  }
  bool ok() const { return in_.status() == QDataStream::Ok; }
  qint64 remaining() const {
    return device_->isSequential() ? device_->bytesAvailable() : device_->size() - device_->pos();
  }
  int realSize() const {
    return in_.floatingPointPrecision() == QDataStream::DoublePrecision ? 8 : 4;
  }
  bool peekCount(quint32& count);
  // A count of elements of at least `elementBytes` each that the remaining bytes can hold.
  bool peekBackedCount(quint32& count, qint64 elementBytes);
  bool readLengthPrefixed(QString& text);
  bool readLengthPrefixed(QByteArray& bytes);
  bool readFloat(float& value);
  bool readPainterPath(QPainterPath& path);
  bool readImage(QImage& image);
  bool readPngBytes(QByteArray& png);

  template <typename T>
  bool readFixed(QVariant& out) {
    T value;
    in_ >> value;
    out = QVariant::fromValue(value);
    return ok() || refuse();
  }

  QDataStream& in_;
  QIODevice* device_;
  qint64 imageBytesLeft_ = imageBytesBudget;
};

bool Reader::peekCount(quint32& count) {
  char raw[4];
  if (device_->peek(raw, 4) != 4) return refuse();
  count = in_.byteOrder() == QDataStream::BigEndian ? qFromBigEndian<quint32>(raw)
                                                    : qFromLittleEndian<quint32>(raw);
  return true;
}

bool Reader::peekBackedCount(quint32& count, qint64 elementBytes) {
  if (!peekCount(count)) return false;
  if (count > 0x7FFFFFFFu || qint64(count) * elementBytes > remaining() - 4) return refuse();
  return true;
}

bool Reader::readLengthPrefixed(QString& text) {
  quint32 bytes = 0;
  if (!peekCount(bytes)) return false;
  if (bytes != 0xFFFFFFFFu && (bytes % 2 != 0 || qint64(bytes) > remaining() - 4)) return refuse();
  in_ >> text;
  return ok() || refuse();
}

bool Reader::readLengthPrefixed(QByteArray& bytes) {
  quint32 length = 0;
  if (!peekCount(length)) return false;
  if (length != 0xFFFFFFFFu && qint64(length) > remaining() - 4) return refuse();
  in_ >> bytes;
  return ok() || refuse();
}

bool Reader::readFloat(float& value) {
  if (in_.floatingPointPrecision() == QDataStream::SinglePrecision) {
    in_ >> value;
    return ok() || refuse();
  }
  // Narrowed here, not by the stream: a double beyond float's range must become infinite.
  double wide = 0;
  in_ >> wide;
  if (!ok()) return refuse();
  if (std::isnan(wide))
    value = NAN;
  else if (std::fabs(wide) > double(FLT_MAX))
    value = wide > 0 ? INFINITY : -INFINITY;
  else
    value = float(wide);
  return true;
}

// Element by element, as Qt writes a path: a count, then (type, x, y) per element, then the
// index of the last subpath's start and the fill rule (an empty path is its count alone). The
// path must start with a move, every curve must be followed by exactly its two data elements,
// and every coordinate must be finite: Qt's own reader keeps whatever it finds, and a malformed
// path makes later path operations read past its end.
bool Reader::readPainterPath(QPainterPath& path) {
  quint32 count = 0;
  if (!peekBackedCount(count, 4 + 2 * realSize())) return false;
  in_.skipRawData(4);
  if (count == 0) return true;
  int pendingCurveData = 0;
  QPointF curve[2];
  for (quint32 i = 0; i < count; ++i) {
    qint32 type = 0;
    double x = 0, y = 0;
    in_ >> type >> x >> y;
    if (!ok() || !std::isfinite(x) || !std::isfinite(y)) return refuse();
    const QPointF point(x, y);
    if (i == 0 && type != QPainterPath::MoveToElement) return refuse();
    if (pendingCurveData > 0) {
      if (type != QPainterPath::CurveToDataElement) return refuse();
      if (--pendingCurveData == 0)
        path.cubicTo(curve[0], curve[1], point);
      else
        curve[1] = point;
      continue;
    }
    switch (type) {
      case QPainterPath::MoveToElement:
        path.moveTo(point);
        break;
      case QPainterPath::LineToElement:
        path.lineTo(point);
        break;
      case QPainterPath::CurveToElement:
        curve[0] = point;
        pendingCurveData = 2;
        break;
      default:
        return refuse();
    }
  }
  if (pendingCurveData > 0) return refuse();
  // The rebuilt path finds its own subpath start; the stored one need only be an element.
  qint32 subpathStart = 0, fillRule = 0;
  in_ >> subpathStart >> fillRule;
  if (!ok() || subpathStart < 0 || quint32(subpathStart) >= count) return refuse();
  if (fillRule != Qt::OddEvenFill && fillRule != Qt::WindingFill) return refuse();
  path.setFillRule(Qt::FillRule(fillRule));
  return true;
}

// The bytes of one PNG file, from its signature to the end of its IEND chunk, after checking
// its header against the image budget.
bool Reader::readPngBytes(QByteArray& png) {
  png.resize(8);
  if (in_.readRawData(png.data(), 8) != 8 || memcmp(png.constData(), pngSignature, 8) != 0)
    return refuse();
  bool first = true;
  for (;;) {
    char head[8];
    if (in_.readRawData(head, 8) != 8) return refuse();
    const quint32 dataLength = qFromBigEndian<quint32>(head);
    const QByteArray type(head + 4, 4);
    // The chunk's data and its check word must be there.
    if (dataLength > 0x7FFFFFFFu || qint64(dataLength) + 4 > remaining()) return refuse();
    if (png.size() + 12 + qint64(dataLength) > 0x7FFFFFFF) return refuse();
    const int start = png.size();
    png.append(head, 8);
    png.resize(start + 12 + int(dataLength));
    if (in_.readRawData(png.data() + start + 8, int(dataLength) + 4) != int(dataLength) + 4)
      return refuse();
    if (first) {
      if (type != "IHDR" || dataLength != 13) return refuse();
      const char* header = png.constData() + start + 8;
      const quint32 width = qFromBigEndian<quint32>(header);
      const quint32 height = qFromBigEndian<quint32>(header + 4);
      const int bitDepth = uchar(header[8]);
      if (width == 0 || height == 0 || width > maxImageSide || height > maxImageSide)
        return refuse();
      // What the decoded image takes: about a bit a pixel for one-bit images, up to eight
      // bytes a pixel for sixteen-bit ones.
      const qint64 pixels = qint64(width) * height;
      const qint64 bytes =
          bitDepth == 1 ? pixels / 8 + qint64(height) * 4 : pixels * (bitDepth == 16 ? 8 : 4);
      if (bytes > imageBytesLimit || bytes > imageBytesLeft_) return refuse();
      imageBytesLeft_ -= bytes;
      first = false;
    }
    if (type == "IEND") return true;
  }
}

bool Reader::readImage(QImage& image) {
  qint32 marker = 0;
  in_ >> marker;
  if (!ok()) return refuse();
  image = QImage();
  if (marker == 0) return true;
  QByteArray png;
  if (!readPngBytes(png)) return false;
  // A damaged PNG inside an intact structure reads as a null image.
  image = QImage::fromData(png, "PNG");
  return true;
}

bool Reader::readVariant(QVariant& out, int depth) {
  out = QVariant();
  if (depth > maxDepth) return refuse();
  quint32 typeId = 0;
  qint8 isNull = 0;
  in_ >> typeId >> isNull;
  if (!ok()) return refuse();
  if (typeId == QMetaType::User) {
    QByteArray name;
    if (!readLengthPrefixed(name)) return false;
    if (name != QByteArray("QPainterPath", int(sizeof("QPainterPath")))) return refuse();
    QPainterPath path;
    if (!readPainterPath(path)) return false;
    out = QVariant::fromValue(path);
    return true;
  }
  switch (typeId) {
    case QMetaType::UnknownType:
      return true;
    case QMetaType::Bool:
      return readFixed<bool>(out);
    case QMetaType::Int:
      return readFixed<qint32>(out);
    case QMetaType::UInt:
      return readFixed<quint32>(out);
    case QMetaType::LongLong:
      return readFixed<qint64>(out);
    case QMetaType::ULongLong:
      return readFixed<quint64>(out);
    case QMetaType::Double:
      return readFixed<double>(out);
    case QMetaType::QPoint:
      return readFixed<QPoint>(out);
    case QMetaType::QPointF:
      return readFixed<QPointF>(out);
    case QMetaType::QSize:
      return readFixed<QSize>(out);
    case QMetaType::QSizeF:
      return readFixed<QSizeF>(out);
    case QMetaType::QRect:
      return readFixed<QRect>(out);
    case QMetaType::QRectF:
      return readFixed<QRectF>(out);
    case QMetaType::QColor: {
      // Qt takes the first byte as the colour's spec without checking it.
      char spec = 0;
      if (device_->peek(&spec, 1) != 1) return refuse();
      if (spec < QColor::Invalid || spec > QColor::ExtendedRgb) return refuse();
      return readFixed<QColor>(out);
    }
    case QMetaType::Float: {
      float value = 0;
      if (!readFloat(value)) return false;
      out = QVariant(value);
      return true;
    }
    case QMetaType::QString: {
      QString text;
      if (!readLengthPrefixed(text)) return false;
      out = text;
      return true;
    }
    case QMetaType::QByteArray: {
      QByteArray bytes;
      if (!readLengthPrefixed(bytes)) return false;
      out = bytes;
      return true;
    }
    case QMetaType::QStringList: {
      quint32 count = 0;
      if (!peekBackedCount(count, 4)) return false;
      in_.skipRawData(4);
      QStringList list;
      for (quint32 i = 0; i < count; ++i) {
        QString text;
        if (!readLengthPrefixed(text)) return false;
        list.append(text);
      }
      out = list;
      return true;
    }
    case QMetaType::QVariantList: {
      quint32 count = 0;
      if (!peekBackedCount(count, 5)) return false;
      in_.skipRawData(4);
      QVariantList list;
      for (quint32 i = 0; i < count; ++i) {
        QVariant item;
        if (!readVariant(item, depth + 1)) return false;
        list.append(item);
      }
      out = list;
      return true;
    }
    case QMetaType::QVariantMap: {
      quint32 count = 0;
      if (!peekBackedCount(count, 9)) return false;
      in_.skipRawData(4);
      QVariantMap map;
      for (quint32 i = 0; i < count; ++i) {
        QString key;
        QVariant item;
        if (!readLengthPrefixed(key) || !readVariant(item, depth + 1)) return false;
        map.insert(key, item);
      }
      out = map;
      return true;
    }
    case QMetaType::QPolygonF: {
      quint32 count = 0;
      if (!peekBackedCount(count, 2 * realSize())) return false;
      QPolygonF polygon;
      in_ >> polygon;
      if (!ok()) return refuse();
      out = polygon;
      return true;
    }
    case QMetaType::QImage: {
      QImage image;
      if (!readImage(image)) return false;
      out = image;
      return true;
    }
    case QMetaType::QBitmap: {
      QImage image;
      if (!readImage(image)) return false;
      out = QVariant::fromValue(image.isNull() ? QBitmap() : QBitmap::fromImage(image));
      return true;
    }
    default:
      return refuse();
  }
}

}  // namespace

QVariant readKeyedState(QDataStream& in) {
  registerDocumentMetaTypes();
  if (!in.device() || in.status() != QDataStream::Ok) {
    in.setStatus(QDataStream::ReadCorruptData);
    return QVariant();
  }
  QVariant state;
  Reader reader(in);
  if (!reader.readVariant(state, 0)) return QVariant();
  return state;
}

QVariant keyedStateFromBytes(const QByteArray& bytes) {
  QByteArray copy(bytes);
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  QDataStream in(&buffer);
  in.setVersion(QDataStream::Qt_5_15);
  const QVariant state = readKeyedState(in);
  if (in.status() != QDataStream::Ok || !buffer.atEnd()) return QVariant();
  return state;
}

QByteArray keyedStateToBytes(const QVariant& state) {
  registerDocumentMetaTypes();
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_5_15);
  out << state;
  return bytes;
}
