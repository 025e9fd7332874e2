// The setup dialogs as a keyboard user and a reader at the default font meet them.
#include "controls/xpcmdbutton.h"
#include "dialogs/AllocCapFileFrm.h"
#include "dialogs/CapAutoSeqFrm.h"
#include "dialogs/CapManSeqFrm.h"
#include "dialogs/CapVidAudFrm.h"
#include "settings/Globals.h"
#include "settings/RegSettings.h"
#include "support/ScriptableEngine.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <functional>
#include <memory>

using namespace pelta;
using pelta::test::ScriptableEngine;
using pelta::test::ScriptedPrompts;

namespace {

class SetupKeyboard : public ::testing::Test {
protected:
    void SetUp() override {
        CreateProgramSettings();
        engine_.AvailableModes = {1, 2, 3};
        engine_.FileName = home_.dir.filePath("clip.avi").toStdString();
        engine_.GapSeconds = 2;
        engine_.LimitSeconds = 10;
    }
    // Shows the dialog as the active window with the keyboard focus in `box`.
    static void Focus(QDialog& d, QLineEdit* box) {
        d.show();
        d.activateWindow();
        QApplication::setActiveWindow(&d);
        box->setFocus();
        QApplication::processEvents();
    }

    test::TempConfigHome home_;
    ScriptableEngine engine_;
    ScriptedPrompts prompts_;
};

// Typing "3", Tab, "77": the 3 is taken, Tab leaves the box, and the 77 goes elsewhere.
void ExpectTabLeaves(QLineEdit* box, const char* name) {
    box->setText("12");
    box->end(false);
    QTest::keyClicks(box, "3");
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_FALSE(box->hasFocus()) << name;
    if (QWidget* next = QApplication::focusWidget(); next && next != box) QTest::keyClicks(next, "77");
    EXPECT_EQ(box->text(), "123") << name;
    // Editing keys work as in any text box; letters stay out.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, "x9");
    EXPECT_EQ(box->text(), "9") << name;
    box->home(false);
    QTest::keyClick(box, Qt::Key_Delete);
    EXPECT_EQ(box->text(), "") << name;
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(box->text(), "9") << name;
}

TEST_F(SetupKeyboard, NumberBoxesLetNavigationAndEditingKeysPass) {
    AllocCapFileFrm alloc(engine_);
    Focus(alloc, alloc.edtCapFileSize);
    ExpectTabLeaves(alloc.edtCapFileSize, "Allocate: size");

    CapAutoSeqFrm seq(engine_);
    Focus(seq, seq.edtFrameDelay);
    ExpectTabLeaves(seq.edtFrameDelay, "Sequence: delay");
    Focus(seq, seq.edtTimeLimit);
    ExpectTabLeaves(seq.edtTimeLimit, "Sequence: time limit");
}

TEST_F(SetupKeyboard, EnterConfirmsAndEscapeCancelsFromANumberBox) {
    CapAutoSeqFrm ok(engine_);
    Focus(ok, ok.edtFrameDelay);
    ok.edtFrameDelay->setText("4");
    QTest::keyClick(ok.edtFrameDelay, Qt::Key_Return);
    EXPECT_EQ(ok.DialogResult, 1);
    EXPECT_EQ(engine_.GapSeconds, 4);

    CapAutoSeqFrm cancel(engine_);
    Focus(cancel, cancel.edtFrameDelay);
    cancel.edtFrameDelay->setText("6");
    QTest::keyClick(cancel.edtFrameDelay, Qt::Key_Escape);
    EXPECT_FALSE(cancel.isVisible());
    EXPECT_EQ(cancel.DialogResult, 2);
    EXPECT_EQ(engine_.GapSeconds, 4);

    AllocCapFileFrm alloc(engine_);
    Focus(alloc, alloc.edtCapFileSize);
    alloc.edtCapFileSize->setText("3");
    QTest::keyClick(alloc.edtCapFileSize, Qt::Key_Escape);
    EXPECT_FALSE(alloc.isVisible());
    EXPECT_EQ(engine_.ReservedMB, -1);
    AllocCapFileFrm reserve(engine_);
    Focus(reserve, reserve.edtCapFileSize);
    reserve.edtCapFileSize->setText("3");
    QTest::keyClick(reserve.edtCapFileSize, Qt::Key_Enter);
    EXPECT_EQ(engine_.ReservedMB, 3);
}

TEST_F(SetupKeyboard, AZeroFrameDelayIsRefusedWithAMessage) {
    CapAutoSeqFrm d(engine_);
    for (const char* zero : {"0", "000"}) {
        d.edtFrameDelay->setText(zero);
        prompts_.Messages.clear();
        d.OKClick();
        ASSERT_EQ(prompts_.Messages.size(), 1u) << zero;
        EXPECT_TRUE(prompts_.Messages[0].Text.contains("Frame Delay")) << prompts_.Messages[0].Text.toStdString();
        EXPECT_EQ(d.DialogResult, 2);
        EXPECT_EQ(engine_.GapSeconds, 2);
    }
    // A refusal by the engine itself is shown too, and the dialog stays open.
    engine_.Failures["FrameGapSeconds="] = "The delay between frames must be more than 0 seconds.";
    d.edtFrameDelay->setText("5");
    prompts_.Messages.clear();
    d.OKClick();
    ASSERT_EQ(prompts_.Messages.size(), 1u);
    EXPECT_EQ(prompts_.Messages[0].Text, "The delay between frames must be more than 0 seconds.");
    EXPECT_EQ(d.DialogResult, 2);
}

TEST_F(SetupKeyboard, AutomaticSequenceCaptionAndTitle) {
    CapAutoSeqFrm d(engine_);
    EXPECT_EQ(d.windowTitle(), "Capture Automatic Frame Sequence");
    auto* title = d.findChild<QLabel*>("Label3");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), "Pelta-RX Frame Sequence");
}

// Every caption fits its control, and every control its window, at the default font.
void ExpectNoCaptionCut(QWidget& window, const char* name) {
    window.show();
    QApplication::processEvents();
    for (QLabel* l : window.findChildren<QLabel*>()) {
        if (!l->isVisibleTo(&window) || l->text().trimmed().isEmpty()) continue;
        if (l->wordWrap()) {
            EXPECT_LE(l->heightForWidth(l->width()), l->height()) << name << ": " << l->text().toStdString();
        } else {
            EXPECT_LE(l->sizeHint().width(), l->width()) << name << ": " << l->text().toStdString();
            EXPECT_LE(l->fontMetrics().height(), l->contentsRect().height()) << name << ": " << l->text().toStdString();
        }
        const QRect inParent(l->mapTo(&window, QPoint(0, 0)), l->size());
        EXPECT_TRUE(window.rect().contains(inParent)) << name << ": " << l->text().toStdString();
        if (auto* button = qobject_cast<xpcmdbutton*>(l->parentWidget())) {
            EXPECT_TRUE(button->rect().contains(l->geometry())) << name << ": " << l->text().toStdString();
        }
    }
}

TEST_F(SetupKeyboard, NoCaptionIsCutAtTheDefaultFont) {
    CapVidAudFrm vidAud(engine_);
    ExpectNoCaptionCut(vidAud, "Capture Video and Audio");
    AllocCapFileFrm alloc(engine_);
    ExpectNoCaptionCut(alloc, "Allocate Capture File");
    CapAutoSeqFrm autoSeq(engine_);
    ExpectNoCaptionCut(autoSeq, "Automatic Frame Sequence");
    CapManSeqFrm manSeq(engine_, {});
    ExpectNoCaptionCut(manSeq, "Manual Frame Sequence");
}

}  // namespace
