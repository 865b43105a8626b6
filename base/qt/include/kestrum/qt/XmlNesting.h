#pragma once

#include <QByteArray>

namespace kestrum {

// Whether no element of `xml` lies deeper than `maxDepth` levels (the root is level 1). Checked
// with a streaming reader in linear time before a DOM is built: Qt's DOM parser slows down with
// the square of the depth, so a hostile file of deep nesting could hold the GUI for minutes.
// Malformed XML passes, to be reported by the DOM parser. `line` and `column`, when given,
// receive the position where the limit was passed.
bool xmlNestingWithin(const QByteArray& xml, int maxDepth, qint64* line = nullptr,
                      qint64* column = nullptr);

// The depth the program's XML files (control file, distributor file, canvas sizes) may reach.
constexpr int kMaxXmlDepth = 256;

}  // namespace kestrum
