#pragma once

#include <QMetaType>
#include <QPainterPath>

Q_DECLARE_METATYPE(QPainterPath)

// Registers the document's types with Qt's meta-type system: the argument types of the
// document's signals and slots for queued connections and signal spies (the highlight's
// selections and colour channels among them), and the stream operators of
// QPainterPath, which stored strokes hold inside variants. Call it before any keyed state is
// written or read. Safe to call any number of times; GUI thread.
void registerDocumentMetaTypes();
