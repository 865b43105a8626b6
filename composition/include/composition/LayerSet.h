#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>

#include "composition/HighlightPoint.h"
#include "composition/ZarvoOutputHandler.h"

// Everything the final picture is made of: the hub holds one, the final-image thread a copy of
// it per rebuild (images shared implicitly, never written in place). Positions are canvas
// pixels of each layer's top-left corner; a null image is an empty layer.
struct LayerSet {
  QRect canvasRect;        // null (0, 0, -1, -1) until a canvas is set
  int maxFileSizeKB = 80;  // JPEG byte budget, kilobytes
  QImage background;
  QImage cutout;
  QImage fullyHighlitCutout;  // the cut-out with lightness and saturation raised
  QPoint cutoutPos;
  QImage shadow;
  QPoint shadowPos;
  QImage logo;
  QPoint logoPos;
  QImage text;
  QPoint textPos;
  QImage speechBubbles;
  QPoint speechBubblesPos;
  int sharpenValue = 0;        // 0 = none, else the sharpen blur parameter
  int compressBackground = 0;  // 0 = none, else the background blur parameter
  QList<HighlightPoint> highlightPoints;
  // The output handler's type when the rebuild started.
  ZarvoOutputHandler::FileType fileType = ZarvoOutputHandler::Jpg;
};
