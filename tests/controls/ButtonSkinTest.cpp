#include "controls/ButtonSkin.h"

#include <gtest/gtest.h>

#include <QPainter>

using namespace pelta;

namespace {

TEST(ButtonSkin, FiveCellsOfEighteenByTwentyOne) {
    const QImage& skin = ButtonSkin();
    EXPECT_EQ(skin.size(), QSize(90, 21));
    EXPECT_EQ(ButtonSkinCell(4).size(), QSize(18, 21));
    EXPECT_TRUE(ButtonSkinCell(5).isNull());
    EXPECT_TRUE(ButtonSkinCell(-1).isNull());
}

TEST(ButtonSkin, CellsCarryTheirColours) {
    const QImage normal = ButtonSkinCell(SkinCell::Normal);
    EXPECT_EQ(normal.pixelColor(0, 10), QColor(0, 60, 116));
    EXPECT_EQ(normal.pixelColor(9, 0), QColor(0, 60, 116));
    EXPECT_EQ(normal.pixelColor(9, 1), QColor(253, 253, 253));
    EXPECT_EQ(normal.pixelColor(9, 19), QColor(198, 197, 215));
    EXPECT_EQ(normal.pixelColor(1, 10), QColor(255, 255, 255));
    EXPECT_EQ(normal.pixelColor(16, 10), QColor(255, 255, 255));
    EXPECT_EQ(normal.pixelColor(0, 0).alpha(), 0);  // rounded corner

    const QImage pressed = ButtonSkinCell(SkinCell::Pressed);
    EXPECT_EQ(pressed.pixelColor(9, 1), QColor(172, 171, 189));
    EXPECT_EQ(pressed.pixelColor(9, 19), QColor(255, 255, 255));

    const QImage disabled = ButtonSkinCell(SkinCell::Disabled);
    EXPECT_EQ(disabled.pixelColor(9, 10), QColor(241, 241, 237));
    EXPECT_EQ(disabled.pixelColor(0, 10), QColor(196, 195, 191));

    const QImage hot = ButtonSkinCell(SkinCell::Hot);
    EXPECT_EQ(hot.pixelColor(9, 1), QColor(255, 240, 207));
    EXPECT_EQ(hot.pixelColor(2, 10), QColor(252, 202, 105));
    EXPECT_EQ(hot.pixelColor(9, 19), QColor(229, 151, 0));
    EXPECT_EQ(hot.pixelColor(9, 10), normal.pixelColor(9, 10));

    const QImage high = ButtonSkinCell(SkinCell::Highlighted);
    EXPECT_EQ(high.pixelColor(9, 2), QColor(206, 231, 255));
    EXPECT_EQ(high.pixelColor(1, 3), QColor(186, 211, 245));
    EXPECT_EQ(high.pixelColor(1, 17), QColor(137, 173, 228));
    EXPECT_EQ(high.pixelColor(9, 18), QColor(105, 130, 238));
}

TEST(NineSlice, SixtyFiveByTwentyFive) {
    const auto p = NineSlice(65, 25);
    // Corners 3 x 3 from the cell's corners, then the edges and the face stretched from
    // 12 (top, bottom) or 15 (sides) source pixels.
    const std::pair<QRect, QRect> expected[9] = {
        {{0, 0, 3, 3}, {0, 0, 3, 3}},     {{62, 0, 3, 3}, {15, 0, 3, 3}},   {{62, 22, 3, 3}, {15, 18, 3, 3}},
        {{0, 22, 3, 3}, {0, 18, 3, 3}},   {{3, 0, 59, 3}, {3, 0, 12, 3}},   {{62, 3, 3, 19}, {15, 3, 3, 15}},
        {{0, 3, 3, 19}, {0, 3, 3, 15}},   {{3, 22, 59, 3}, {3, 18, 12, 3}}, {{3, 3, 59, 19}, {3, 3, 12, 15}}};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(p[i].Dest, expected[i].first) << i;
        EXPECT_EQ(p[i].Source, expected[i].second) << i;
    }
}

TEST(NineSlice, PaintedButtonKeepsCornersAndStretchesTheRest) {
    QImage out(65, 25, QImage::Format_ARGB32);
    out.fill(Qt::magenta);
    {
        QPainter p(&out);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        PaintSkinCell(p, SkinCell::Hot, 65, 25);
    }
    const QImage cell = ButtonSkinCell(SkinCell::Hot);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(out.pixel(62 + x, 22 + y), cell.pixel(15 + x, 18 + y));
            EXPECT_EQ(out.pixel(x, y), cell.pixel(x, y));
        }
    // The bottom frame runs the whole width, the face fills the middle.
    EXPECT_EQ(out.pixelColor(32, 23), QColor(229, 151, 0));
    EXPECT_EQ(out.pixelColor(32, 12), cell.pixelColor(9, 10));
    EXPECT_EQ(out.pixelColor(63, 12), QColor(252, 202, 105));
}

}  // namespace
