#include "kestrum/qt/Checkerboard.h"

#include <QPainter>

namespace kestrum {

namespace {
constexpr int kTile = 80;
constexpr int kSquare = 40;
}  // namespace

QPixmap checkerboardPixmap(QSize size) {
  if (size.isEmpty()) return QPixmap();
  QPixmap tile(kTile, kTile);
  tile.fill(Qt::white);
  {
    QPainter painter(&tile);
    painter.fillRect(kSquare, 0, kSquare, kSquare, Qt::darkGray);
    painter.fillRect(0, kSquare, kSquare, kSquare, Qt::darkGray);
  }
  if (size == tile.size()) return tile;
  QPixmap board(size);
  QPainter painter(&board);
  painter.drawTiledPixmap(board.rect(), tile);
  return board;
}

}  // namespace kestrum
