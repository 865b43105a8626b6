#include <QBitmap>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPainterPath>

#include "DocumentTestSupport.h"
#include "document/DocumentMetaTypes.h"
#include "document/KeyedStateLeaves.h"
#include "document/KeyedStateReader.h"
#include "document/ParsedDocument.h"

namespace {

using KeyedStateTest = DocumentTest;

// Bytes as a Qt_5_15 stream writes them, built by `write`.
template <typename Write>
QByteArray streamBytes(Write write) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_5_15);
  write(out);
  return bytes;
}

// The header of a variant of type `type`.
void variantHeader(QDataStream& out, quint32 type) {
  out << type << qint8(0);
}

void pathHeader(QDataStream& out) {
  variantHeader(out, QMetaType::User);
  out << "QPainterPath";
}

QByteArray pngWithHeader(quint32 width, quint32 height, quint8 depth, quint8 colourType) {
  return streamBytes([&](QDataStream& out) {
    variantHeader(out, QMetaType::QImage);
    out << qint32(1);
    out.writeRawData("\x89PNG\r\n\x1a\n", 8);
    out << quint32(13);
    out.writeRawData("IHDR", 4);
    out << width << height << depth << colourType << quint8(0) << quint8(0) << quint8(0);
    out << quint32(0);  // check word
    out << quint32(0);
    out.writeRawData("IEND", 4);
    out << quint32(0);
  });
}

// Qt's own reading of well-formed bytes, to compare with.
QVariant qtRead(const QByteArray& bytes) {
  QDataStream in(bytes);
  in.setVersion(QDataStream::Qt_5_15);
  QVariant value;
  in >> value;
  return value;
}

TEST_F(KeyedStateTest, ReadsEveryValueTypeAsQtDoes) {
  QImage image(5, 3, QImage::Format_ARGB32);
  image.fill(qRgba(10, 20, 30, 40));
  image.setPixel(1, 1, qRgba(200, 0, 0, 255));
  QImage mono(9, 4, QImage::Format_Mono);
  mono.fill(0);
  mono.setPixel(3, 2, 1);
  QPainterPath path(QPointF(1, 2));
  path.lineTo(5, 6);
  path.cubicTo(7, 8, 9, 10, 11, 12);
  path.moveTo(-3, 4);
  path.setFillRule(Qt::WindingFill);
  const QVariant values[] = {
      QVariant(),
      true,
      -7,
      7u,
      qlonglong(-1099511627776),
      3.25,
      QVariant(0.5f),
      QString("state"),
      QString(),
      QByteArray("bytes"),
      QStringList{"a", "", "c"},
      QPointF(1.5, -2),
      QRectF(1, 2, 3, 4),
      QRect(1, 2, 3, 4),
      QSize(3, 4),
      QColor(1, 2, 3, 4),
      QColor(),
      QPolygonF(QVector<QPointF>{{1, 2}, {3, 4}}),
      QVariant::fromValue(path),
      QVariant::fromValue(QPainterPath()),
      image,
      QImage(),
      QVariantList{1, QVariantMap{{"k", QVariantList{}}}, "x"},
      QVariantMap{{"a", 1}, {"b", QVariantMap{{"c", QPointF(1, 1)}}}},
  };
  for (const QVariant& value : values) {
    const QByteArray bytes = keyedStateToBytes(value);
    const QVariant read = keyedStateFromBytes(bytes);
    EXPECT_EQ(read.userType(), value.userType()) << value.typeName();
    if (value.userType() == qMetaTypeId<QPainterPath>())  // a user type compares by address
      EXPECT_EQ(read.value<QPainterPath>(), qtRead(bytes).value<QPainterPath>());
    else
      EXPECT_EQ(read, qtRead(bytes)) << value.typeName();
    EXPECT_EQ(keyedStateToBytes(read), bytes) << value.typeName();
  }
  const QVariant bitmap =
      keyedStateFromBytes(keyedStateToBytes(QVariant::fromValue(QBitmap::fromImage(mono))));
  ASSERT_EQ(bitmap.userType(), int(QMetaType::QBitmap));
  EXPECT_EQ(qvariant_cast<QBitmap>(bitmap).toImage().convertToFormat(QImage::Format_Mono), mono);
}

TEST_F(KeyedStateTest, RefusesHostileBytes) {
  struct Row {
    const char* name;
    QByteArray bytes;
  };
  auto nested = [](int depth) {
    return streamBytes([&](QDataStream& out) {
      for (int i = 0; i < depth; ++i) {
        variantHeader(out, QMetaType::QVariantList);
        out << quint32(1);
      }
      variantHeader(out, QMetaType::Int);
      out << qint32(1);
    });
  };
  const Row rows[] = {
      {"a list longer than the bytes", streamBytes([](QDataStream& out) {
         variantHeader(out, QMetaType::QVariantList);
         out << quint32(0x7FFFFFF0);
       })},
      {"a map longer than the bytes", streamBytes([](QDataStream& out) {
         variantHeader(out, QMetaType::QVariantMap);
         out << quint32(3) << QString("k");
         variantHeader(out, QMetaType::Int);
         out << qint32(1);
       })},
      {"a polygon longer than the bytes", streamBytes([](QDataStream& out) {
         variantHeader(out, QMetaType::QPolygonF);
         out << quint32(0x10000000) << 1.0 << 2.0;
       })},
      {"a string longer than the bytes", streamBytes([](QDataStream& out) {
         variantHeader(out, QMetaType::QString);
         out << quint32(0x7FFFFFF0);
       })},
      {"a path that starts with a curve", streamBytes([](QDataStream& out) {
         pathHeader(out);
         out << qint32(3) << qint32(2) << 1.0 << 1.0 << qint32(3) << 2.0 << 2.0 << qint32(3) << 3.0
             << 3.0 << qint32(0) << qint32(0);
       })},
      {"a curve without its data", streamBytes([](QDataStream& out) {
         pathHeader(out);
         out << qint32(2) << qint32(0) << 1.0 << 1.0 << qint32(2) << 2.0 << 2.0 << qint32(0)
             << qint32(0);
       })},
      {"a path element of no kind", streamBytes([](QDataStream& out) {
         pathHeader(out);
         out << qint32(2) << qint32(0) << 1.0 << 1.0 << qint32(9) << 2.0 << 2.0 << qint32(0)
             << qint32(0);
       })},
      {"a path point that is no number", streamBytes([](QDataStream& out) {
         pathHeader(out);
         out << qint32(1) << qint32(0) << qQNaN() << 1.0 << qint32(0) << qint32(0);
       })},
      {"a path with a fill rule of no kind", streamBytes([](QDataStream& out) {
         pathHeader(out);
         out << qint32(1) << qint32(0) << 1.0 << 1.0 << qint32(0) << qint32(7);
       })},
      {"a path whose subpath starts beyond it", streamBytes([](QDataStream& out) {
         pathHeader(out);
         out << qint32(1) << qint32(0) << 1.0 << 1.0 << qint32(5) << qint32(0);
       })},
      {"a path of two billion elements", streamBytes([](QDataStream& out) {
         pathHeader(out);
         out << qint32(0x7FFFFFFF);
       })},
      {"an unknown user type", streamBytes([](QDataStream& out) {
         variantHeader(out, QMetaType::User);
         out << "Evil";
       })},
      {"a type the state never holds", streamBytes([](QDataStream& out) {
         variantHeader(out, QMetaType::QFont);
         out << QString("Sans");
       })},
      {"a colour of no spec", streamBytes([](QDataStream& out) {
         variantHeader(out, QMetaType::QColor);
         out << qint8(97) << quint16(1) << quint16(2) << quint16(3) << quint16(4) << quint16(0);
       })},
      {"lists nested too deep", nested(40)},
      {"an image too large to decode", pngWithHeader(32767, 32767, 8, 6)},
      {"an image wider than any", pngWithHeader(40000, 1, 1, 0)},
      {"an image of no width", pngWithHeader(0, 10, 8, 2)},
      {"an image that is no PNG", streamBytes([](QDataStream& out) {
         variantHeader(out, QMetaType::QImage);
         out << qint32(1);
         out.writeRawData("BM\0\0\0\0\0\0\0\0", 10);
       })},
      {"a PNG chunk longer than the bytes", pngWithHeader(4, 4, 8, 2).left(40)},
      {"bytes after the state", keyedStateToBytes(1) + QByteArray("x")},
      {"a truncated integer", keyedStateToBytes(1).left(7)},
      {"nothing", QByteArray()},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(keyedStateFromBytes(row.bytes).isValid()) << row.name;
    EXPECT_EQ(readKeyedStateLeaves(row.bytes), 0) << row.name;
  }
  EXPECT_EQ(keyedStateFromBytes(nested(20)).type(), QVariant::List);
  // A damaged image inside an intact structure reads as a null image.
  const QVariant damaged = keyedStateFromBytes(pngWithHeader(4, 4, 8, 2));
  ASSERT_EQ(damaged.type(), QVariant::Image);
  EXPECT_TRUE(damaged.value<QImage>().isNull());
}

TEST_F(KeyedStateTest, AStreamReadStopsAfterItsVariant) {
  QByteArray bytes = keyedStateToBytes(QVariantMap{{"a", QPolygonF({{1, 1}})}});
  bytes += keyedStateToBytes(QString("next"));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QDataStream in(&buffer);
  in.setVersion(QDataStream::Qt_5_15);
  EXPECT_EQ(readKeyedState(in).type(), QVariant::Map);
  EXPECT_EQ(readKeyedState(in).toString(), "next");
  EXPECT_EQ(in.status(), QDataStream::Ok);
  EXPECT_FALSE(readKeyedState(in).isValid());
  EXPECT_NE(in.status(), QDataStream::Ok);
}

// Every seed and finding of the fuzz corpus runs through the same function as the harness;
// the seeds written from real objects each build objects.
TEST_F(KeyedStateTest, CorpusReplays) {
  const QDir corpus(QStringLiteral(ZARVO_FUZZ_CORPUS "/keyed_state"));
  const QFileInfoList files = corpus.entryInfoList(QDir::Files, QDir::Name);
  ASSERT_FALSE(files.isEmpty()) << corpus.absolutePath().toStdString();
  for (const QFileInfo& info : files) {
    QFile file(info.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const int built = readKeyedStateLeaves(file.readAll());
    if (info.fileName().startsWith("seed-")) {
      EXPECT_GT(built, 0) << info.fileName().toStdString();
    }
  }
  // The whole document of the end-to-end run is a document the parse takes.
  QFile whole(corpus.filePath(QStringLiteral("seed-whole-document")));
  ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
  EXPECT_NE(GmModel::parseDocumentMap(keyedStateFromBytes(whole.readAll())), nullptr);
}

}  // namespace
