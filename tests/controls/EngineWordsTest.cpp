// The engine's English descriptions in the user's language: each sentence is matched
// whole, its parts (names, paths, system texts, inner sentences) carried over, and the
// English left byte for byte as it was when no translation is loaded.
#include "controls/EngineWords.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTranslator>

using namespace pelta;

namespace {

class EngineWordsGerman : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(german_.load(QStringLiteral(PELTA_BUILD_DIR "/translations/pelta-rx_de.qm")))
            << "the build compiles the German translation";
        QCoreApplication::installTranslator(&german_);
    }
    void TearDown() override { QCoreApplication::removeTranslator(&german_); }
    QTranslator german_;
};

const char* const kNested =
    "The video device \"Test Pattern\" delivers no pictures: nothing came within 2.5 seconds. Lost the video "
    "device \"Test Pattern\": it delivered nothing for 3 seconds.";

TEST(EngineWords, EnglishStaysAsTheEngineWroteIt) {
    for (const char* text : {kNested, "Cannot create the capture file /tmp/a: b.avi: No space left on device.",
                             "Something the table does not know.", ""})
        EXPECT_EQ(EngineErrorText(std::string(text)), QString::fromUtf8(text));
    EXPECT_EQ(DeviceDisplayName("Test Pattern"), QStringLiteral("Test Pattern"));
}

TEST_F(EngineWordsGerman, SentencesPartsAndInnerSentencesAreTranslated) {
    const std::pair<const char*, const char*> sentences[] = {
        // A path with a colon and a placeholder-like "%1" is carried over untouched.
        {"Cannot create the capture file /tmp/%1: x.avi: Disk quota exceeded.",
         "Die Aufnahmedatei /tmp/%1: x.avi kann nicht erstellt werden: Disk quota exceeded."},
        {kNested, "Das Videogerät „Testbild“ liefert keine Bilder: Innerhalb von 2,5 Sekunden kam nichts an. das "
                  "Videogerät „Testbild“ verloren: Es hat 3 Sekunden lang nichts geliefert."},
        {"Capture file /home/a.avi: the disk is full.", "Aufnahmedatei /home/a.avi: Der Datenträger ist voll."},
        // Reasons a capture or a start-up repair gives, inside the sentence around them.
        {"Capture file /v/a.avi: the file size limit of this session, 19 MB, was reached.",
         "Aufnahmedatei /v/a.avi: Die Dateigrößengrenze dieser Sitzung, 19 MB, wurde erreicht."},
        {"the video encoder failed: libjpeg-turbo failed: Bogus marker length",
         "Der Videoencoder ist fehlgeschlagen: libjpeg-turbo ist fehlgeschlagen: Bogus marker length"},
        {"the repaired file does not read back whole", "Die reparierte Datei lässt sich nicht vollständig zurücklesen"},
        {"Something new.", "Something new."},  // unknown sentences stay
    };
    for (const auto& [english, german] : sentences) EXPECT_EQ(EngineErrorText(std::string(english)), QString::fromUtf8(german));
    const std::pair<const char*, const char*> devices[] = {
        {"Test Pattern", "Testbild"}, {"Screen 0 (1024x700)", "Bildschirm 0 (1024x700)"}, {"HD Webcam C270", "HD Webcam C270"}};
    for (const auto& [english, german] : devices) EXPECT_EQ(DeviceDisplayName(english), QString::fromUtf8(german));
    EXPECT_EQ(CatalogText("Grey scale"), QStringLiteral("Graustufen"));
}

}  // namespace
