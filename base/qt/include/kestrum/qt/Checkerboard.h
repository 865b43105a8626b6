#pragma once

#include <QPixmap>
#include <QSize>

namespace kestrum {

// A pixmap of `size` tiled from its top-left corner with the 80 x 80 tile shown behind
// transparent pictures: white, with Qt::darkGray 40 x 40 squares in the top-right and
// bottom-left quarters. Null for an empty size. GUI thread only (a QPixmap).
QPixmap checkerboardPixmap(QSize size = QSize(80, 80));

}  // namespace kestrum
