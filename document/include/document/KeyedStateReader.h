#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QVariant>

// Reads one variant of the document's keyed state from `in`, as Qt's variant operator would,
// but safe against hostile bytes: only the value types of the keyed state are accepted (invalid,
// bool, integers, floating point, strings, byte arrays, string lists, lists, maps, points,
// sizes, rectangles, colours, PNG images and bitmaps, QPolygonF and QPainterPath), every count
// must be backed by the bytes that remain, nesting is limited, painter paths must be well
// formed and images must fit a pixel budget before they are decoded. On refusal it returns an
// invalid variant, leaves the stream's status other than Ok (ReadCorruptData unless the bytes
// ran out first) and the device at an unspecified position. GUI thread (bitmaps are pixmaps).
QVariant readKeyedState(QDataStream& in);

// `bytes` as one variant written by a QDataStream of version Qt_5_15, read by readKeyedState;
// an invalid variant when refused or when bytes remain after it.
QVariant keyedStateFromBytes(const QByteArray& bytes);
// `state` written by a QDataStream of version Qt_5_15.
QByteArray keyedStateToBytes(const QVariant& state);
