#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The canvas-size presets of the "Set Image Size" tool: a web site's longer canvas side and its
// byte budget, read from "CanvasSizes.xml" beside the program or, when that gives none, the
// built-in three. Pure functions over bytes, any thread; only loadCanvasSizes touches a file.

struct CanvasSizePreset {
  QString name;
  QString shape;    // "Portrait", "Landscape" or "Square"
  int maxEdge = 0;  // pixels of the longer side, 50..1600; 0 leaves the size alone
  int maxFS = 0;    // kilobytes, 10..4000; 0 leaves the budget alone
};

struct CanvasSizesReading {
  QList<CanvasSizePreset> presets;  // in file order, repeated names included
  QString reason;                   // why none is valid; empty exactly when some are
};

// Files larger than this are not parsed.
constexpr int kMaxCanvasSizesBytes = 64 * 1024;

// The presets of a "CanvasSizes.xml" file's bytes. The root's name is not examined: the first
// preset is the root's first child element named "CanvasSize", then every following sibling
// element whatever its name. One counts when it has "name", "maxEdge" and "maxFS" and its
// "shape" is exactly "Portrait", "Landscape" or "Square"; numbers that are no integer read as
// 0, and out-of-range ones are brought into the ranges above.
CanvasSizesReading readCanvasSizes(const QByteArray& bytes);

// "eBay", "uBid" and "CQOUT", in that order.
QList<CanvasSizePreset> builtInCanvasSizes();

// The presets of the file at `path`, or the built-in ones when it gives none. A file that exists
// but gives none is named in one warning line of the log with the reason; a missing file is
// silent. GUI or any thread.
QList<CanvasSizePreset> loadCanvasSizes(const QString& path);
