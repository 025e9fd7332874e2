// The skinned command button: its skin, looks, mouse and keys, and what it stores.
#include "controls/ButtonSkin.h"
#include "controls/xpcmdbutton.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace pelta;

namespace {

void Mouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}
void Move(QWidget* w, QPointF pos, Qt::MouseButtons held = Qt::NoButton) {
    Mouse(w, QEvent::MouseMove, pos, Qt::NoButton, held);
}
void Press(QWidget* w, QPointF pos, Qt::MouseButton b = Qt::LeftButton) {
    Mouse(w, QEvent::MouseButtonPress, pos, b, b);
}
void Release(QWidget* w, QPointF pos, Qt::MouseButton b = Qt::LeftButton) {
    Mouse(w, QEvent::MouseButtonRelease, pos, b, Qt::NoButton);
}
void Leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}
QColor CaptionColour(const xpcmdbutton& b, QPalette::ColorGroup group = QPalette::Active) {
    return b.CaptionLabel()->palette().color(group, QPalette::WindowText);
}
// The button's rendering, to compare with the skin cell it should show.
QImage Rendered(xpcmdbutton& b) { return b.grab().toImage().convertToFormat(QImage::Format_ARGB32); }

TEST(ButtonSkin, FiveCellsOfEighteenByTwentyOneCarryingTheirColours) {
    EXPECT_EQ(ButtonSkin().size(), QSize(90, 21));
    EXPECT_EQ(ButtonSkinCell(4).size(), QSize(18, 21));
    EXPECT_TRUE(ButtonSkinCell(5).isNull());
    EXPECT_TRUE(ButtonSkinCell(-1).isNull());
    const struct { int cell, x, y; QColor colour; } pixels[] = {
        {SkinCell::Normal, 0, 10, {0, 60, 116}},        {SkinCell::Normal, 9, 0, {0, 60, 116}},
        {SkinCell::Normal, 9, 1, {253, 253, 253}},      {SkinCell::Normal, 9, 19, {198, 197, 215}},
        {SkinCell::Normal, 1, 10, {255, 255, 255}},     {SkinCell::Normal, 16, 10, {255, 255, 255}},
        {SkinCell::Pressed, 9, 1, {172, 171, 189}},     {SkinCell::Pressed, 9, 19, {255, 255, 255}},
        {SkinCell::Disabled, 9, 10, {241, 241, 237}},   {SkinCell::Disabled, 0, 10, {196, 195, 191}},
        {SkinCell::Hot, 9, 1, {255, 240, 207}},         {SkinCell::Hot, 2, 10, {252, 202, 105}},
        {SkinCell::Hot, 9, 19, {229, 151, 0}},          {SkinCell::Highlighted, 9, 2, {206, 231, 255}},
        {SkinCell::Highlighted, 1, 3, {186, 211, 245}}, {SkinCell::Highlighted, 1, 17, {137, 173, 228}},
        {SkinCell::Highlighted, 9, 18, {105, 130, 238}},
    };
    for (const auto& p : pixels)
        EXPECT_EQ(ButtonSkinCell(p.cell).pixelColor(p.x, p.y), p.colour) << p.cell << " at " << p.x << "," << p.y;
    EXPECT_EQ(ButtonSkinCell(SkinCell::Normal).pixelColor(0, 0).alpha(), 0);  // rounded corner
    EXPECT_EQ(ButtonSkinCell(SkinCell::Hot).pixelColor(9, 10), ButtonSkinCell(SkinCell::Normal).pixelColor(9, 10));
}

TEST(NineSlice, SixtyFiveByTwentyFiveKeepsCornersAndStretchesTheRest) {
    // Corners 3 x 3 from the cell's corners, then the edges and the face stretched from
    // 12 (top, bottom) or 15 (sides) source pixels.
    const std::pair<QRect, QRect> expected[9] = {
        {{0, 0, 3, 3}, {0, 0, 3, 3}},     {{62, 0, 3, 3}, {15, 0, 3, 3}},   {{62, 22, 3, 3}, {15, 18, 3, 3}},
        {{0, 22, 3, 3}, {0, 18, 3, 3}},   {{3, 0, 59, 3}, {3, 0, 12, 3}},   {{62, 3, 3, 19}, {15, 3, 3, 15}},
        {{0, 3, 3, 19}, {0, 3, 3, 15}},   {{3, 22, 59, 3}, {3, 18, 12, 3}}, {{3, 3, 59, 19}, {3, 3, 12, 15}}};
    const auto slices = NineSlice(65, 25);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(slices[i].Dest, expected[i].first) << i;
        EXPECT_EQ(slices[i].Source, expected[i].second) << i;
    }
    // Painted: the corners kept, the bottom frame running the whole width, the face filling the middle.
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
    EXPECT_EQ(out.pixelColor(32, 23), QColor(229, 151, 0));
    EXPECT_EQ(out.pixelColor(32, 12), cell.pixelColor(9, 10));
    EXPECT_EQ(out.pixelColor(63, 12), QColor(252, 202, 105));
}

// A dialog with a text box, a default OK button (65 x 25, the size the mouse tests measure
// against), a cancel button and a plain one; the text box has the focus.
class Button : public ::testing::Test {
protected:
    void SetUp() override {
        dlg_.resize(300, 120);
        edit_->setObjectName(QStringLiteral("edit"));
        ok_->SetDefault(true);
        cancel_->SetCancel(true);
        ok_->setGeometry(10, 60, 65, 25);
        cancel_->move(100, 60);
        browse_->move(190, 60);
        dlg_.show();
        QApplication::setActiveWindow(&dlg_);
        edit_->setFocus();
    }
    QDialog dlg_;
    QLineEdit* edit_ = new QLineEdit(&dlg_);
    xpcmdbutton* ok_ = new xpcmdbutton(&dlg_, QStringLiteral("btnOK"));
    xpcmdbutton* cancel_ = new xpcmdbutton(&dlg_, QStringLiteral("btnCancel"));
    xpcmdbutton* browse_ = new xpcmdbutton(&dlg_, QStringLiteral("btnBrowse"));
};

// The state chooses the look at rest (other values keep the last one); disabling the button
// or its container greys it, and enabling restores the look.
TEST_F(Button, StateChoosesTheRestLookAndDisablingGreysIt) {
    EXPECT_EQ(ok_->CurrentCell(), SkinCell::Normal);
    EXPECT_EQ(CaptionColour(*ok_), QColor(0, 0, 0));
    const std::pair<int32_t, int> steps[] = {{1, SkinCell::Highlighted}, {7, SkinCell::Highlighted},
                                             {0, SkinCell::Normal},      {7, SkinCell::Normal},
                                             {1, SkinCell::Highlighted}};
    for (const auto& [state, cell] : steps) {
        ok_->SetState(state);
        EXPECT_EQ(ok_->CurrentCell(), cell) << state;
    }

    ok_->SetEnabled(false);
    EXPECT_EQ(ok_->CurrentCell(), SkinCell::Disabled);
    EXPECT_EQ(CaptionColour(*ok_), QColor(161, 161, 146));
    EXPECT_EQ(CaptionColour(*ok_, QPalette::Disabled), QColor(161, 161, 146));
    // What is on screen is the disabled cell's face.
    EXPECT_EQ(Rendered(*ok_).pixelColor(4, 12), ButtonSkinCell(SkinCell::Disabled).pixelColor(4, 10));
    ok_->SetEnabled(true);
    EXPECT_EQ(ok_->CurrentCell(), SkinCell::Highlighted);
    EXPECT_EQ(CaptionColour(*ok_), QColor(0, 0, 0));
    EXPECT_EQ(Rendered(*ok_).pixelColor(1, 1), ButtonSkinCell(SkinCell::Highlighted).pixelColor(1, 1));
    dlg_.setEnabled(false);
    EXPECT_EQ(ok_->CurrentCell(), SkinCell::Disabled);
    dlg_.setEnabled(true);
    EXPECT_EQ(ok_->CurrentCell(), SkinCell::Highlighted);
}

// What the button raises, with the button mask and x of each mouse event, and the look it
// shows meanwhile. MouseMove is raised only inside the button (its far edge still counts);
// the right button held, alone or with the left, shows the hot look and does not click.
// Leaving (the pointer moved off, or the Leave event) raises MouseOut once and returns to rest.
TEST_F(Button, HoverPressReleaseAndLeave) {
    QStringList raised;
    const auto log = [&](const char* what) {
        return [&raised, what](int16_t& b, int16_t&, float& x, float&) { raised << QString("%1 %2 %3").arg(what).arg(b).arg(x); };
    };
    QObject::connect(ok_, &xpcmdbutton::MouseMove, ok_, log("move"));
    QObject::connect(ok_, &xpcmdbutton::MouseDown, ok_, log("down"));
    QObject::connect(ok_, &xpcmdbutton::MouseUp, ok_, log("up"));
    QObject::connect(ok_, &xpcmdbutton::Click, ok_, [&] { raised << "click"; });
    QObject::connect(ok_, &xpcmdbutton::MouseOut, ok_, [&] { raised << "out"; });
    const auto cellAfter = [this](auto step) { return step(), ok_->CurrentCell(); };

    EXPECT_EQ(cellAfter([&] { Move(ok_, {20, 10}); }), SkinCell::Hot);
    EXPECT_EQ(cellAfter([&] { Press(ok_, {20, 10}); }), SkinCell::Pressed);
    EXPECT_EQ(cellAfter([&] { Move(ok_, {21, 10}, Qt::LeftButton); }), SkinCell::Pressed);
    EXPECT_EQ(cellAfter([&] { Release(ok_, {21, 10}); }), SkinCell::Normal);
    Move(ok_, {65, 25});
    Move(ok_, {66, 10});
    Move(ok_, {-1, 10});
    EXPECT_EQ(cellAfter([&] { Press(ok_, {20, 10}, Qt::RightButton); }), SkinCell::Pressed);
    EXPECT_EQ(cellAfter([&] { Move(ok_, {22, 11}, Qt::RightButton); }), SkinCell::Hot);
    EXPECT_EQ(cellAfter([&] { Move(ok_, {23, 11}, Qt::LeftButton | Qt::RightButton); }), SkinCell::Hot);
    Release(ok_, {23, 11}, Qt::RightButton);
    Release(ok_, {23, 11}, Qt::MiddleButton);
    EXPECT_EQ(raised, (QStringList{"move 0 20", "down 1 20", "move 1 21", "up 1 21", "click", "move 0 65", "out",
                                   "down 2 20", "move 2 22", "move 3 23", "up 2 23", "up 4 23"}));

    raised.clear();
    ok_->SetState(1);
    Move(ok_, {20, 10});
    EXPECT_EQ(cellAfter([&] { Leave(ok_); }), SkinCell::Highlighted);
    Leave(ok_);
    // Dragging off with the button held counts as leaving too, once; released off it, no click.
    Move(ok_, {20, 10});
    Press(ok_, {20, 10});
    EXPECT_EQ(cellAfter([&] { Move(ok_, {90, 10}, Qt::LeftButton); }), SkinCell::Highlighted);
    Move(ok_, {95, 12}, Qt::LeftButton);
    Leave(ok_);
    EXPECT_EQ(cellAfter([&] { Release(ok_, {95, 12}); }), SkinCell::Highlighted);
    EXPECT_EQ(raised, (QStringList{"move 0 20", "out", "move 0 20", "down 1 20", "out", "up 1 95"}));
}

TEST_F(Button, CaptionIsCentredOnChangeAndResizeAndShowsItsAccessKey) {
    QLabel* lbl = ok_->CaptionLabel();
    auto centred = [&] {
        return lbl->x() == (ok_->width() - lbl->width()) / 2 && lbl->y() == (ok_->height() - lbl->height()) / 2;
    };
    ok_->SetCaption(QStringLiteral("OK"));
    const int narrow = lbl->width();
    EXPECT_TRUE(centred());
    ok_->SetCaption(QStringLiteral("A much longer caption"));
    EXPECT_GT(lbl->width(), narrow);
    EXPECT_TRUE(centred());
    ok_->resize(180, 40);
    EXPECT_TRUE(centred());
    EXPECT_EQ(ok_->CurrentCell(), SkinCell::Normal);

    // An access key is underlined, not shown; "&&" is one "&".
    ok_->SetCaption(QStringLiteral("&Browse..."));
    EXPECT_EQ(ok_->Caption(), "&Browse...");
    EXPECT_EQ(lbl->text(), "<u>B</u>rowse...");
    ok_->SetCaption(QStringLiteral("Fish && Chips"));
    EXPECT_EQ(lbl->text(), "Fish&nbsp;&amp;&nbsp;Chips");
}

// Defaults are not stored and the font never is; reading applies both, an empty bag the defaults.
TEST_F(Button, StoresOnlyWhatDiffersFromTheDefaults) {
    QVariantMap bag;
    ok_->WriteProperties(bag, QStringLiteral("btnOK"));
    EXPECT_TRUE(bag.isEmpty());
    ok_->SetState(1);
    ok_->SetEnabled(false);
    ok_->SetCaption(QStringLiteral("OK"));
    EXPECT_TRUE(ok_->ChangedProperties().contains("State"));
    EXPECT_TRUE(ok_->ChangedProperties().contains("Caption"));
    ok_->WriteProperties(bag, QStringLiteral("btnOK"));
    EXPECT_EQ(bag, (QVariantMap{{"State", 1}, {"Enabled", false}, {"Caption", "OK"}}));
    ok_->SetState(0);
    ok_->SetEnabled(true);
    ok_->SetCaption(QStringLiteral("btnOK"));
    ok_->WriteProperties(bag, QStringLiteral("btnOK"));
    EXPECT_TRUE(bag.isEmpty());

    const QFont containerFont(QStringLiteral("Arial"), 13);
    ok_->ReadProperties({{"State", 1}, {"Enabled", false}}, QStringLiteral("btnX"), containerFont);
    EXPECT_EQ(ok_->State(), 1);
    EXPECT_FALSE(ok_->Enabled());
    EXPECT_EQ(ok_->Caption(), "btnX");
    EXPECT_EQ(ok_->font().pointSize(), 13);
    EXPECT_EQ(ok_->CurrentCell(), SkinCell::Disabled);
    ok_->SetEnabled(true);
    EXPECT_EQ(ok_->CurrentCell(), SkinCell::Highlighted);
    ok_->ReadProperties({}, QStringLiteral("btnX"), containerFont);
    EXPECT_EQ(ok_->State(), 0);
    EXPECT_TRUE(ok_->Enabled());
}

// Enter and Space press the focused button; Enter elsewhere goes to the default button and
// Escape anywhere to the cancel button; Alt and the access key click its button. A disabled,
// hidden or no longer default button ignores Enter.
TEST_F(Button, KeysClickTheFocusedButtonElseTheDefaultOrCancelButton) {
    browse_->SetCaption(QStringLiteral("&Browse..."));
    const struct { QWidget* focus; Qt::Key key; xpcmdbutton* clicked; } cases[] = {
        {edit_, Qt::Key_Return, ok_},       {edit_, Qt::Key_Enter, ok_},         {edit_, Qt::Key_Escape, cancel_},
        {edit_, Qt::Key_Space, nullptr},    {ok_, Qt::Key_Return, ok_},          {ok_, Qt::Key_Space, ok_},
        {ok_, Qt::Key_Escape, cancel_},     {cancel_, Qt::Key_Return, cancel_},  {cancel_, Qt::Key_Enter, cancel_},
        {cancel_, Qt::Key_Space, cancel_},  {cancel_, Qt::Key_Escape, cancel_},  {browse_, Qt::Key_Return, browse_},
        {browse_, Qt::Key_Space, browse_},  {browse_, Qt::Key_Escape, cancel_},  {edit_, Qt::Key_B, browse_},  // Alt+B
    };
    QSignalSpy rejected(&dlg_, &QDialog::rejected);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.focus->objectName().toStdString() + " key " + std::to_string(c.key));
        QSignalSpy ok(ok_, &xpcmdbutton::Click), cancel(cancel_, &xpcmdbutton::Click), browse(browse_, &xpcmdbutton::Click);
        c.focus->setFocus();
        ASSERT_TRUE(c.focus->hasFocus());
        const Qt::KeyboardModifier mod = c.key == Qt::Key_B ? Qt::AltModifier : Qt::NoModifier;
        QTest::keyClick(c.focus, c.key, c.key == Qt::Key_Enter ? Qt::KeypadModifier : mod);
        EXPECT_EQ(ok.count(), int(c.clicked == ok_));
        EXPECT_EQ(cancel.count(), int(c.clicked == cancel_));
        EXPECT_EQ(browse.count(), int(c.clicked == browse_));
    }
    // The button decides; the dialog does not close behind its back.
    EXPECT_EQ(rejected.count(), 0);
    EXPECT_TRUE(dlg_.isVisible());

    QSignalSpy okClicks(ok_, &xpcmdbutton::Click);
    edit_->setFocus();
    ok_->SetEnabled(false);
    QTest::keyClick(edit_, Qt::Key_Return);
    ok_->SetEnabled(true);
    ok_->hide();
    QTest::keyClick(edit_, Qt::Key_Return);
    ok_->show();
    ok_->SetDefault(false);
    QTest::keyClick(edit_, Qt::Key_Return);
    EXPECT_EQ(okClicks.count(), 0);
}

// Space shows the pressed look until released and does not repeat; focus lost meanwhile
// clicks nothing. Keys on the focused button are raised with their codes, and it shows a
// focus mark inside the face: border and corners stay the skin's.
TEST_F(Button, SpaceAndOtherKeysOnTheFocusedButtonAndItsFocusMark) {
    const QImage unfocused = Rendered(*browse_);
    int16_t down = 0, ascii = 0, up = 0;
    QObject::connect(browse_, &xpcmdbutton::KeyDown, browse_, [&](int16_t& k, int16_t&) { down = k; });
    QObject::connect(browse_, &xpcmdbutton::KeyPress, browse_, [&](int16_t& k) { ascii = k; });
    QObject::connect(browse_, &xpcmdbutton::KeyUp, browse_, [&](int16_t& k, int16_t&) { up = k; });
    QSignalSpy clicks(browse_, &xpcmdbutton::Click);
    browse_->setFocus();
    QTest::keyClick(browse_, Qt::Key_A);
    EXPECT_EQ(down, 65);
    EXPECT_EQ(ascii, 'a');
    EXPECT_EQ(up, 65);
    const QImage focused = Rendered(*browse_);
    EXPECT_NE(focused, unfocused);
    int ringChanged = 0;  // the skin's border and inner frame, 3 pixels all round
    for (int y = 0; y < focused.height(); ++y)
        for (int x = 0; x < focused.width(); ++x)
            if (std::min({x, y, focused.width() - 1 - x, focused.height() - 1 - y}) < 3)
                ringChanged += focused.pixel(x, y) != unfocused.pixel(x, y);
    EXPECT_EQ(ringChanged, 0);

    QTest::keyPress(browse_, Qt::Key_Space);
    EXPECT_EQ(browse_->CurrentCell(), SkinCell::Pressed);
    EXPECT_EQ(clicks.count(), 0);
    // A held key repeats as release and press pairs.
    for (QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
        QKeyEvent repeat(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(browse_, &repeat);
    }
    EXPECT_EQ(clicks.count(), 0);
    QTest::keyRelease(browse_, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(browse_->CurrentCell(), SkinCell::Normal);
    QTest::keyPress(browse_, Qt::Key_Space);
    edit_->setFocus();
    EXPECT_EQ(browse_->CurrentCell(), SkinCell::Normal);
    QTest::keyRelease(browse_, Qt::Key_Space);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(Rendered(*browse_), unfocused);
}

TEST_F(Button, ScreenReadersMeetAPushButtonNamedByItsCaption) {
    const std::pair<QString, QString> names[] = {
        {"&OK", "OK"}, {"&Browse...", "Browse..."}, {"Fish && Chips", "Fish & Chips"}, {"btnOK", "btnOK"}};
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(ok_);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Button);
    for (const auto& [caption, name] : names) {
        ok_->SetCaption(caption);
        EXPECT_EQ(a->text(QAccessible::Name), name);
    }
    EXPECT_TRUE(a->state().focusable);
    ok_->SetEnabled(false);
    EXPECT_TRUE(a->state().disabled);
    ok_->SetEnabled(true);
    // The screen reader's "press" clicks it, once (Qt shows the press briefly first).
    QSignalSpy clicks(ok_, &xpcmdbutton::Click);
    ASSERT_NE(a->actionInterface(), nullptr);
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(clicks.count() == 1 || clicks.wait(10000));
    EXPECT_EQ(clicks.count(), 1);
}

}  // namespace
