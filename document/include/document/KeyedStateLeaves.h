#pragma once

#include <QByteArray>

// Reads `bytes` as one stored variant (readKeyedState over a Qt_5_15 stream), parses the whole of
// it as a stored document the way a project is checked before it is opened
// (GmModel::parseDocumentMap: no engine, the open document untouched), and hands every map and
// list in it to every leaf reader of the keyed state (shapes, strokes, settings, colours, option
// values), using and writing back each object built. Returns how many objects were built; 0 when
// the bytes are refused. Never touches the settings store. The fuzz harness of the keyed state
// and its corpus test run it; GUI thread.
int readKeyedStateLeaves(const QByteArray& bytes);
