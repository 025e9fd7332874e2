// The push button's skin: five 18 x 21 looks side by side in one 90 x 21 picture, drawn
// here from a few colours, and the nine-slice table that stretches one look over a button.
#pragma once

#include <QImage>
#include <QRect>
#include <array>

class QPainter;

namespace pelta {

namespace SkinCell {
constexpr int Normal = 0;
constexpr int Pressed = 1;
constexpr int Disabled = 2;
constexpr int Hot = 3;
constexpr int Highlighted = 4;
}  // namespace SkinCell

constexpr int kSkinCells = 5;
constexpr int kSkinCellWidth = 18;
constexpr int kSkinCellHeight = 21;
constexpr int kSkinWidth = kSkinCells * kSkinCellWidth;  // 90
constexpr int kSkinHeight = kSkinCellHeight;             // 21

// The whole 90 x 21 skin (built once, then shared).
const QImage& ButtonSkin();
// One 18 x 21 cell of the skin; `cell` outside 0..4 gives a null image.
QImage ButtonSkinCell(int cell);

// One piece of the nine-slice stretch: where it goes on the button and where it comes
// from inside a cell.
struct SlicePiece {
    QRect Dest;
    QRect Source;
};

// The nine pieces for a button of w x h pixels, in painting order: the four corners
// (top-left, top-right, bottom-right, bottom-left), the edges (top, right, left, bottom),
// then the centre. Sizes are as computed; a button under 6 pixels gives empty pieces.
std::array<SlicePiece, 9> NineSlice(int w, int h);

// Paints `cell` stretched over a w x h area at the painter's origin.
void PaintSkinCell(QPainter& painter, int cell, int w, int h);

}  // namespace pelta
