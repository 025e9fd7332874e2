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
    // A path with a colon and a placeholder-like "%1" is carried over untouched.
    EXPECT_EQ(EngineErrorText(std::string("Cannot create the capture file /tmp/%1: x.avi: Disk quota exceeded.")),
              QStringLiteral("Die Aufnahmedatei /tmp/%1: x.avi kann nicht erstellt werden: Disk quota exceeded."));
    EXPECT_EQ(EngineErrorText(std::string(kNested)),
              QStringLiteral("Das Videogerät „Testbild“ liefert keine Bilder: Innerhalb von 2,5 Sekunden kam nichts "
                             "an. das Videogerät „Testbild“ verloren: Es hat 3 Sekunden lang nichts geliefert."));
    EXPECT_EQ(EngineErrorText(std::string("Capture file /home/a.avi: the disk is full.")),
              QStringLiteral("Aufnahmedatei /home/a.avi: Der Datenträger ist voll."));
    // Reasons a capture or a start-up repair gives, inside the sentence around them.
    EXPECT_EQ(EngineErrorText(std::string("Capture file /v/a.avi: the file size limit of this session, 19 MB, was reached.")),
              QStringLiteral("Aufnahmedatei /v/a.avi: Die Dateigrößengrenze dieser Sitzung, 19 MB, wurde erreicht."));
    EXPECT_EQ(EngineErrorText(std::string("the video encoder failed: libjpeg-turbo failed: Bogus marker length")),
              QStringLiteral("Der Videoencoder ist fehlgeschlagen: libjpeg-turbo ist fehlgeschlagen: Bogus marker length"));
    EXPECT_EQ(EngineErrorText(std::string("the repaired file does not read back whole")),
              QStringLiteral("Die reparierte Datei lässt sich nicht vollständig zurücklesen"));
    // Unknown sentences and real device names stay.
    EXPECT_EQ(EngineErrorText(std::string("Something new.")), QStringLiteral("Something new."));
    EXPECT_EQ(DeviceDisplayName("Test Pattern"), QStringLiteral("Testbild"));
    EXPECT_EQ(DeviceDisplayName("Screen 0 (1024x700)"), QStringLiteral("Bildschirm 0 (1024x700)"));
    EXPECT_EQ(DeviceDisplayName("HD Webcam C270"), QStringLiteral("HD Webcam C270"));
    EXPECT_EQ(CatalogText("Grey scale"), QStringLiteral("Graustufen"));
}

}  // namespace
