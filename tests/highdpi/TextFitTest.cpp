// Every window placed by coordinates shows its whole texts in every shipped language and in
// a pseudo-language 40 % longer than English, at the scale this run is at (the suite runs
// once at 1 and once at 2): no label, check box or button is cut, and nothing sticks out
// of its window.
#include "autocapture/Buttons.h"
#include "controls/ScreenReader.h"
#include "controls/TextFit.h"
#include "controls/xpcmdbutton.h"
#include "dialogs/AllocCapFileFrm.h"
#include "dialogs/CapAutoSeqFrm.h"
#include "dialogs/CapManSeqFrm.h"
#include "dialogs/CapVidAudFrm.h"
#include "infowindows/AboutFrm.h"
#include "support/MainWindowFixture.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QTranslator>
#include <cmath>
#include <memory>

using namespace pelta;

namespace {

// Each text 40 % longer than the English, its "&" marks and placeholders kept.
class LongerTranslator final : public QTranslator {
public:
    QString translate(const char*, const char* source, const char*, int) const override {
        QString text = QString::fromUtf8(source);
        static const QString filler = QStringLiteral("äöüéèçßñ");
        const int extra = int(std::ceil(text.size() * 0.4));
        for (int i = 0; i < extra; ++i) text += filler[i % filler.size()];
        return text;
    }
    bool isEmpty() const override { return false; }
};

// Every text under `window` that does not fit, as "object: text".
std::vector<std::string> CutTexts(QWidget* window) {
    std::vector<std::string> cut;
    const auto note = [&](QWidget* w, const QString& text, const char* how) {
        cut.push_back(w->objectName().toStdString() + " (" + how + "): " + text.toStdString());
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        if (auto* l = qobject_cast<QLabel*>(w); l && qobject_cast<xpcmdbutton*>(l->parentWidget())) continue;
        if (TextWidthNeeded(w) > w->width()) note(w, w->property("text").toString(), "too narrow");
        if (WrappedHeightNeeded(w) > w->height()) note(w, w->property("text").toString(), "too low");
        if (auto* b = qobject_cast<xpcmdbutton*>(w); b && b->CaptionLabel()->width() < TextWidthNeeded(b->CaptionLabel()))
            note(w, b->Caption(), "caption cut");
        QWidget* parent = w->parentWidget();
        if (parent && !parent->rect().contains(w->geometry()))
            note(w, w->property("text").toString(), "sticks out of its parent");
    }
    return cut;
}

class TextFit : public test::MainWindowTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        EnableScreenReaderNames();
        const std::string language = GetParam();
        if (language == "pseudo") {
            translator_ = std::make_unique<LongerTranslator>();
        } else if (language != "en") {
            translator_ = std::make_unique<QTranslator>();
            ASSERT_TRUE(translator_->load(QString::fromStdString(PELTA_BUILD_DIR "/translations/pelta-rx_" + language + ".qm")));
        }
        if (translator_) QCoreApplication::installTranslator(translator_.get());
        Open([](test::ScriptableEngine& e) {
            e.Video.Items = {{"Screen"}};
            e.AvailableModes = {0, 1, 2};
        });
    }
    void TearDown() override {
        if (translator_) QCoreApplication::removeTranslator(translator_.get());
    }
    void Check(QWidget* window) {
        SCOPED_TRACE(window->objectName().toStdString());
        const QSize english = window->size();
        window->show();
        EXPECT_EQ(CutTexts(window), std::vector<std::string>{});
        EXPECT_GE(window->width(), english.width());
        EXPECT_GE(window->height(), english.height());
        window->hide();
    }
    std::unique_ptr<QTranslator> translator_;
};

TEST_P(TextFit, EveryWindowShowsItsWholeTexts) {
    CapVidAudFrm capture(*engine_);
    Check(&capture);
    AllocCapFileFrm allocate(*engine_);
    Check(&allocate);
    CapManSeqFrm manual(*engine_, [](bool) {});
    Check(&manual);
    CapAutoSeqFrm automatic(*engine_);
    Check(&automatic);
    AboutFrm about;
    Check(&about);
    Buttons strip;
    Check(&strip);
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFit, ::testing::Values("en", "de", "fr", "pseudo"));

}  // namespace
