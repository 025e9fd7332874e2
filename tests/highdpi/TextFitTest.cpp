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
#include "engine/CaptureEngine.h"
#include "engine/dialogs/AudioFormatDialog.h"
#include "engine/dialogs/CaptureSettingsDialog.h"
#include "engine/dialogs/CompressorDialog.h"
#include "engine/dialogs/PreviewDialogs.h"
#include "engine/dialogs/ProcessorsDialog.h"
#include "engine/dialogs/VideoFormatDialog.h"
#include "engine/dialogs/VideoSourceDialog.h"
#include "infowindows/AboutFrm.h"
#include "infowindows/Register.h"
#include "support/MainWindowFixture.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTranslator>
#include <QXmlStreamReader>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <tuple>

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

// Every text under `window` that does not fit, as "object (how): text". A label's or button's
// text is measured by its own size hint, not by the measure the windows grow with.
std::vector<std::string> CutTexts(QWidget* window) {
    std::vector<std::string> cut;
    const auto note = [&](QWidget* w, const QString& text, const char* how) {
        cut.push_back(w->objectName().toStdString() + " (" + how + "): " + text.toStdString());
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        auto* l = qobject_cast<QLabel*>(w);
        if (!w->isVisibleTo(window) || (l && qobject_cast<xpcmdbutton*>(l->parentWidget()))) continue;
        const QString text = w->property("text").toString();
        const bool line = l ? !l->wordWrap() && l->pixmap().isNull() : qobject_cast<QAbstractButton*>(w) != nullptr;
        const int width =
            qobject_cast<xpcmdbutton*>(w) ? TextWidthNeeded(w) : line && !text.isEmpty() ? w->sizeHint().width() : 0;
        if (width > w->width()) note(w, text, "too narrow");
        if (l && l->wordWrap() && !text.isEmpty() && l->heightForWidth(l->width()) > l->height())
            note(w, text, "too low");
        // In a window placed by coordinates a caption is never lower than its line.
        if (l && line && !window->layout() && !text.trimmed().isEmpty() &&
            l->fontMetrics().height() > l->contentsRect().height())
            note(w, text, "lower than a line");
        if (auto* b = qobject_cast<xpcmdbutton*>(w)) {
            QLabel* caption = b->CaptionLabel();
            if (caption->width() < caption->sizeHint().width()) note(w, b->Caption(), "caption cut");
            if (!b->rect().contains(caption->geometry())) note(w, b->Caption(), "caption outside the button");
        }
        if (auto* p = w->parentWidget(); p && !p->rect().contains(w->geometry())) note(w, text, "outside its parent");
    }
    return cut;
}

// Under the pseudo-language a text that went through tr() carries the filler; every visible
// text without it, as "window/object: text", but for numbers, acronyms ("AVI") and the
// widgets that show names (the maker's addresses, the product, an encoder).
std::vector<std::string> UntranslatedTexts(QWidget* window) {
    static const std::set<QString> names = {"AboutFrm/ErrTitle", "Register/Register", "Register/Label2",
                                            "Register/Label3",   "Register/Label4",   "CompressorDialog/lblEncoder"};
    static const QRegularExpression words(QStringLiteral("[a-z]"));
    std::vector<std::string> found;
    const auto note = [&](const QWidget* w, const QString& text) {
        const QString at = window->objectName() + u'/' + w->objectName();
        if (!text.contains(words) || text.contains(QChar(0xe4)) || names.count(at)) return;
        found.push_back((at + QStringLiteral(": ") + text).toStdString());
    };
    note(window, window->windowTitle());
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)) note(w, w->property("text").toString());
        note(w, w->toolTip());
    }
    return found;
}

// Every menu text under `menu`, keyed by where it stands ("2/0/3"), without the lists the
// engine fills with its devices, compressors and sizes (names, not words to translate).
void MenuTexts(const QWidget* menu, const std::string& at, std::map<std::string, QString>& texts) {
    int i = 0;
    for (QAction* a : menu->actions()) {
        const std::string key = at + "/" + std::to_string(i++);
        if (a->isSeparator() || a->property("Index").toInt() > 0) continue;
        const QString name = a->objectName();
        if (name.endsWith("All") && (name.contains("Compressor") || name.contains("CaptureSize"))) continue;
        texts[key] = a->text();
        if (a->menu()) MenuTexts(a->menu(), key, texts);
    }
}

// The English texts a shipped translation keeps as they are, on purpose.
std::set<QString> KeptAsEnglish(const QString& language) {
    QFile file(QStringLiteral(PELTA_SOURCE_DIR "/data/translations/pelta-rx_%1.ts").arg(language));
    std::set<QString> kept;
    if (!file.open(QIODevice::ReadOnly)) return kept;
    QXmlStreamReader xml(&file);
    QString source;
    while (!xml.atEnd()) {
        if (!xml.readNext() || !xml.isStartElement()) continue;
        if (xml.name() == QStringLiteral("source")) source = xml.readElementText();
        else if (xml.name() == QStringLiteral("translation") && xml.readElementText() == source) kept.insert(source);
    }
    return kept;
}

class TextFit : public test::MainWindowTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        EnableScreenReaderNames();
        if (language_ == "pseudo") {
            translator_ = std::make_unique<LongerTranslator>();
        } else if (language_ != "en") {
            translator_ = std::make_unique<QTranslator>();
            ASSERT_TRUE(translator_->load(PELTA_BUILD_DIR "/translations/pelta-rx_" + language_ + ".qm"));
            // Qt's own buttons (Close, OK, Cancel) as the program loads them.
            qt_ = std::make_unique<QTranslator>();
            ASSERT_TRUE(qt_->load("qtbase_" + language_, QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
            QCoreApplication::installTranslator(qt_.get());
        }
        if (translator_) QCoreApplication::installTranslator(translator_.get());
        Open(OneScreen);
    }
    void TearDown() override {
        if (translator_) QCoreApplication::removeTranslator(translator_.get());
        if (qt_) QCoreApplication::removeTranslator(qt_.get());
    }
    // A window placed by coordinates keeps at least its English size; one with a layout
    // takes the size its layout asks for.
    void Check(QWidget* window) {
        SCOPED_TRACE(window->objectName().toStdString());
        const QSize english = window->layout() ? QSize() : window->size();
        // One-line captions that start a column together (same place and width) keep one width.
        std::map<std::tuple<QWidget*, int, int>, std::vector<QWidget*>> columns;
        for (QWidget* w : window->findChildren<QWidget*>()) {
            auto* l = qobject_cast<QLabel*>(w);
            const bool caption = l ? !l->wordWrap() && l->pixmap().isNull() && !l->text().isEmpty()
                                   : qobject_cast<QCheckBox*>(w) != nullptr;
            if (caption && !w->parentWidget()->layout()) columns[{w->parentWidget(), w->x(), w->width()}].push_back(w);
        }
        window->show();
        for (const auto& [at, captions] : columns)
            for (QWidget* c : captions) EXPECT_EQ(c->width(), captions[0]->width()) << c->objectName().toStdString();
        const std::vector<std::string> none;
        EXPECT_EQ(CutTexts(window), none);
        EXPECT_EQ(language_ == "pseudo" ? UntranslatedTexts(window) : none, none);
        EXPECT_EQ(window->size().expandedTo(english), window->size()) << "smaller than in English";
        if (language_ == "en" && english.isValid()) {
            EXPECT_EQ(window->size(), english);  // the designed size holds for English
        }
        window->hide();
    }
    template <typename W, typename... Args>
    void CheckNew(Args&&... args) { W window(std::forward<Args>(args)...); Check(&window); }
    const QString language_ = GetParam();
    std::unique_ptr<QTranslator> translator_, qt_;
};

TEST_P(TextFit, EveryWindowAndDialogShowsItsWholeTexts) {
    CheckNew<CapVidAudFrm>(*engine_);
    CheckNew<AllocCapFileFrm>(*engine_);
    CheckNew<CapManSeqFrm>(*engine_, [](bool) {});
    CheckNew<CapAutoSeqFrm>(*engine_);
    CheckNew<AboutFrm>();
    CheckNew<Buttons>();
    CheckNew<Register>(test::ScriptableFactory(nullptr));
    // The engine's property dialogs, on its test devices.
    CaptureEngine engine;
    engine.VideoInputs().SetSelected(engine.VideoInputs().Count() - 1);
    engine.AudioInputs().SetSelected(engine.AudioInputs().Count() - 1);
    ASSERT_EQ(engine.VideoInputs().Item(engine.VideoInputs().Selected()).DisplayName, "Test Pattern");
    ASSERT_EQ(engine.AudioInputs().Item(engine.AudioInputs().Selected()).DisplayName, "Test Tone");
    VideoFormatDialog format(engine);
    Check(&format);
    const QString close = format.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->text().remove(u'&');
    EXPECT_EQ(close == u"Close", language_ == "en") << close.toStdString();
    CheckNew<VideoSourceDialog>(engine);
    CheckNew<VideoDisplayDialog>(engine);
    CheckNew<AudioFormatDialog>(engine);
    CheckNew<CaptureSettingsDialog>(engine);
    CheckNew<PreviewPropertiesDialog>(engine);
    CompressorDialog mjpeg(true, "mjpeg", {}, {}), mp3(false, "libmp3lame", {}, {}, nullptr, 44100, 2),
        pcm(false, "pcm_s16le", {}, {});
    for (QWidget* compressor : {&mjpeg, &mp3, &pcm}) Check(compressor);
    // Every filter in the chain; each one's settings shown in turn.
    for (const bool video : {true, false}) {
        engine::processors::ChainDescription chain;
        for (const auto& spec : video ? engine::processors::VideoFilters() : engine::processors::AudioFilters())
            chain.Entries.push_back(engine::processors::DefaultEntry(spec));
        ProcessorsDialog processors(video, chain, {});
        for (int row = 0; row < processors.lstChain->count(); ++row) {
            processors.lstChain->setCurrentRow(row);
            Check(&processors);
        }
    }
}

// A menu cannot cut its texts, but each must be in the language: a German or French
// text equal to its English is one that escaped translation, unless the translation
// keeps it on purpose; under the pseudo-language every text changes.
TEST_P(TextFit, EveryMenuTextIsTranslated) {
    if (language_ == "en") return;
    std::map<std::string, QString> translated, english;
    MenuTexts(main_->menuBar(), "", translated);
    QCoreApplication::removeTranslator(translator_.get());
    MainFrm englishWindow(test::ScriptableFactory(nullptr, OneScreen));
    englishWindow.Load();
    MenuTexts(englishWindow.menuBar(), "", english);
    const std::set<QString> kept = language_ == "pseudo" ? std::set<QString>{} : KeptAsEnglish(language_);
    ASSERT_EQ(translated.size(), english.size());
    ASSERT_GT(english.size(), 50u);
    for (const auto& [at, text] : english)
        if (translated[at] == text && !kept.count(text)) ADD_FAILURE() << at << " \"" << text.toStdString() << "\" untranslated";
}

INSTANTIATE_TEST_SUITE_P(Languages, TextFit, ::testing::Values("en", "de", "fr", "pseudo"));

}  // namespace
