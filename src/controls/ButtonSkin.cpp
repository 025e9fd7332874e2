#include "controls/ButtonSkin.h"

#include <QColor>
#include <QPainter>
#include <initializer_list>
#include <utility>

namespace pelta {

namespace {

constexpr int W = kSkinCellWidth;
constexpr int H = kSkinCellHeight;

struct Stop {
    double at;
    QColor colour;
};

QColor Mix(const QColor& a, const QColor& b, double t) {
    auto ch = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
    return QColor(ch(a.red(), b.red()), ch(a.green(), b.green()), ch(a.blue(), b.blue()),
                  ch(a.alpha(), b.alpha()));
}

// Colour at position t (0..1) of a gradient given by its stops.
QColor Along(std::initializer_list<Stop> stops, double t) {
    const Stop* prev = stops.begin();
    for (const Stop* s = stops.begin(); s != stops.end(); ++s) {
        if (t <= s->at) {
            if (s == prev || s->at <= prev->at) return s->colour;
            return Mix(prev->colour, s->colour, (t - prev->at) / (s->at - prev->at));
        }
        prev = s;
    }
    return prev->colour;
}

void Put(QImage& img, int cell, int x, int y, const QColor& c) {
    img.setPixelColor(cell * W + x, y, c);
}
QColor Get(const QImage& img, int cell, int x, int y) { return img.pixelColor(cell * W + x, y); }

// Face rows 1..H-2 from a vertical gradient.
void Face(QImage& img, int cell, std::initializer_list<Stop> stops) {
    for (int y = 1; y < H - 1; ++y) {
        const QColor c = Along(stops, double(y - 1) / double(H - 3));
        for (int x = 1; x < W - 1; ++x) Put(img, cell, x, y, c);
    }
}

// 1-pixel border whose corners are rounded off and softened into the face.
void Border(QImage& img, int cell, const QColor& border) {
    for (int x = 0; x < W; ++x) {
        Put(img, cell, x, 0, border);
        Put(img, cell, x, H - 1, border);
    }
    for (int y = 0; y < H; ++y) {
        Put(img, cell, 0, y, border);
        Put(img, cell, W - 1, y, border);
    }
    QColor half = border;
    half.setAlpha(110);
    const std::pair<int, int> corners[] = {{0, 0}, {W - 1, 0}, {W - 1, H - 1}, {0, H - 1}};
    for (auto [cx, cy] : corners) {
        const int dx = cx == 0 ? 1 : -1;
        const int dy = cy == 0 ? 1 : -1;
        Put(img, cell, cx, cy, Qt::transparent);
        Put(img, cell, cx + dx, cy, half);
        Put(img, cell, cx, cy + dy, half);
        Put(img, cell, cx + dx, cy + dy, Mix(border, Get(img, cell, cx + dx, cy + dy), 0.5));
    }
}

// 2-pixel frame just inside the border: top rows, side columns (a gradient), bottom rows.
void InnerFrame(QImage& img, int cell, const QColor& top, const QColor& sideTop, const QColor& sideBottom,
                const QColor& bottom) {
    for (int x = 1; x < W - 1; ++x) {
        Put(img, cell, x, 1, top);
        Put(img, cell, x, 2, top);
        Put(img, cell, x, H - 3, bottom);
        Put(img, cell, x, H - 2, bottom);
    }
    for (int y = 3; y < H - 3; ++y) {
        const QColor c = Mix(sideTop, sideBottom, double(y - 3) / double(H - 7));
        for (int x : {1, 2, W - 3, W - 2}) Put(img, cell, x, y, c);
    }
}

const std::initializer_list<Stop> kNormalFace = {
    {0.0, QColor(253, 253, 253)}, {0.45, QColor(233, 235, 245)}, {0.9, QColor(205, 204, 223)},
    {1.0, QColor(198, 197, 215)}};
const QColor kBorder(0, 60, 116);

QImage BuildSkin() {
    QImage img(kSkinWidth, kSkinHeight, QImage::Format_ARGB32);
    img.fill(Qt::transparent);

    // 0 normal
    Face(img, SkinCell::Normal, kNormalFace);
    for (int y = 1; y < H - 1; ++y) {
        Put(img, SkinCell::Normal, 1, y, Qt::white);
        Put(img, SkinCell::Normal, W - 2, y, Qt::white);
    }
    Border(img, SkinCell::Normal, kBorder);

    // 1 pressed: the face turned upside down
    Face(img, SkinCell::Pressed,
         {{0.0, QColor(172, 171, 189)}, {0.1, QColor(179, 178, 197)}, {0.55, QColor(207, 209, 219)},
          {1.0, QColor(255, 255, 255)}});
    Border(img, SkinCell::Pressed, kBorder);

    // 2 disabled: flat
    Face(img, SkinCell::Disabled, {{0.0, QColor(241, 241, 237)}});
    Border(img, SkinCell::Disabled, QColor(196, 195, 191));

    // 3 hot: orange frame
    Face(img, SkinCell::Hot, kNormalFace);
    InnerFrame(img, SkinCell::Hot, QColor(255, 240, 207), QColor(252, 202, 105), QColor(252, 202, 105),
               QColor(229, 151, 0));
    Border(img, SkinCell::Hot, kBorder);

    // 4 highlighted: blue frame
    Face(img, SkinCell::Highlighted, kNormalFace);
    InnerFrame(img, SkinCell::Highlighted, QColor(206, 231, 255), QColor(186, 211, 245), QColor(137, 173, 228),
               QColor(105, 130, 238));
    Border(img, SkinCell::Highlighted, kBorder);
    return img;
}

}  // namespace

const QImage& ButtonSkin() {
    static const QImage skin = BuildSkin();
    return skin;
}

QImage ButtonSkinCell(int cell) {
    if (cell < 0 || cell >= kSkinCells) return {};
    return ButtonSkin().copy(cell * W, 0, W, H);
}

std::array<SlicePiece, 9> NineSlice(int w, int h) {
    const int iw = w - 6;
    const int ih = h - 6;
    return {{
        {{0, 0, 3, 3}, {0, 0, 3, 3}},                // top-left
        {{w - 3, 0, 3, 3}, {15, 0, 3, 3}},           // top-right
        {{w - 3, h - 3, 3, 3}, {15, 18, 3, 3}},      // bottom-right
        {{0, h - 3, 3, 3}, {0, 18, 3, 3}},           // bottom-left
        {{3, 0, iw, 3}, {3, 0, 12, 3}},              // top edge
        {{w - 3, 3, 3, ih}, {15, 3, 3, 15}},         // right edge
        {{0, 3, 3, ih}, {0, 3, 3, 15}},              // left edge
        {{3, h - 3, iw, 3}, {3, 18, 12, 3}},         // bottom edge
        {{3, 3, iw, ih}, {3, 3, 12, 15}},            // centre
    }};
}

void PaintSkinCell(QPainter& painter, int cell, int w, int h) {
    if (cell < 0 || cell >= kSkinCells) return;
    const QImage& skin = ButtonSkin();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (const SlicePiece& p : NineSlice(w, h)) {
        if (p.Dest.width() <= 0 || p.Dest.height() <= 0) continue;
        painter.drawImage(p.Dest, skin, p.Source.translated(cell * W, 0));
    }
    painter.restore();
}

}  // namespace pelta
