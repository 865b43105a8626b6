#pragma once

#include <memory>

#include <QDataStream>
#include <QList>
#include <QString>
#include <QVariant>

class QIODevice;
struct ParsedDocument;

// The project format: one data stream (version Qt_5_15, big-endian) of the magic 0x08E11602
// (32-bit), the format version (32-bit; 11 written), the source image's 16-bit check value and
// one variant holding the document's keyed state. The readers trust nothing in the bytes; the
// file handler calls them, and so does the project fuzz harness. GUI thread (the state holds
// pixmaps).
namespace projectfile {

constexpr qint32 kMagic = 0x08E11602;
constexpr qint32 kVersion = 11;
constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_5_15;

struct Header {
  qint32 magic = 0;
  qint32 version = 0;
  quint16 checkValue = 0;
};

enum class HeaderRead {
  Ok,
  NotAProject,         // the bytes ended, or the magic is another
  UnsupportedVersion,  // a version outside `versions`
};

// Reads the ten header bytes from `in`.
HeaderRead readHeader(QDataStream& in, const QList<int>& versions, Header& header);

// Reads the keyed state that follows the header and parses the whole of it as a stored document,
// without touching the open one. Null with the reason when the stream ends early or holds a
// damaged or hostile variant, when the map lacks one of the seven keys or holds it with another
// type, or when the document parse refuses it.
std::unique_ptr<ParsedDocument> readDocument(QDataStream& in, QString* refusal);

// Writes a whole project to `device`: false when the stream or the device reports a failure.
bool write(QIODevice& device, quint16 checkValue, const QVariant& state);

}  // namespace projectfile
