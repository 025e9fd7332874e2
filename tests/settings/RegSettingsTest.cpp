#include "settings/Globals.h"
#include "settings/RegSettings.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace pelta;

namespace {

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        store_.SetCompany(QStringLiteral("Fenwick Software"));
        store_.SetAppName(QStringLiteral("Pelta-RX v1.5"));
    }
    QString ReadFile() const {
        QFile f(CRegSettings::StoreFilePath());
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll());
    }
    test::TempConfigHome home_;
    CRegSettings store_;
};

TEST_F(SettingsStore, NothingStoredGivesDefaultsAndCreatesNothing) {
    EXPECT_EQ(store_.GetSetting("Preferences", "AutoName", "False"), "False");
    EXPECT_EQ(store_.GetSetting("Preferences", "AutoSaveDir"), "");
    EXPECT_EQ(gRetVal, 2);
    EXPECT_TRUE(QDir(home_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST_F(SettingsStore, FirstSaveCreatesTheWholePathAndReadsBack) {
    ASSERT_TRUE(store_.SaveSetting("Preferences", "AutoName", "True"));
    EXPECT_EQ(gRetVal, 0);
    const QString text = ReadFile();
    EXPECT_TRUE(text.contains("[Software]\n"));
    EXPECT_TRUE(text.contains("[Software\\Fenwick Software]\n"));
    EXPECT_TRUE(text.contains("[Software\\Fenwick Software\\Pelta-RX v1.5]\n"));
    EXPECT_TRUE(text.contains("[Software\\Fenwick Software\\Pelta-RX v1.5\\Preferences]\n\"AutoName\"=\"True\""));
    EXPECT_EQ(store_.GetSetting("Preferences", "AutoName", "False"), "True");
    // Registry names do not depend on case.
    EXPECT_EQ(store_.GetSetting("preferences", "autoname", "False"), "True");
}

TEST_F(SettingsStore, StarIsTheUnnamedValueAndOtherStarsAreNames) {
    ASSERT_TRUE(store_.SaveSetting("Preferences", "*", "unnamed"));
    ASSERT_TRUE(store_.SaveSetting("Preferences", "**", "two"));
    ASSERT_TRUE(store_.SaveSetting("Preferences", "x*", "x"));
    EXPECT_EQ(store_.GetSetting("Preferences", "*"), "unnamed");
    EXPECT_EQ(store_.GetSetting("Preferences", "**"), "two");
    EXPECT_EQ(store_.GetSetting("Preferences", "x*"), "x");
    EXPECT_TRUE(ReadFile().contains("@=\"unnamed\""));
}

TEST_F(SettingsStore, EmptySectionLivesDirectlyUnderTheApplication) {
    EXPECT_EQ(store_.BuildKeyPath(""), "Software\\Fenwick Software\\Pelta-RX v1.5");
    ASSERT_TRUE(store_.SaveSetting("", "Top", "1"));
    EXPECT_EQ(store_.GetSetting("", "Top"), "1");
    EXPECT_EQ(store_.GetSetting("Preferences", "Top", "none"), "none");
}

TEST_F(SettingsStore, CompanyAndAppNameTrimAndReset) {
    CRegSettings s;
    const QString company = s.Company();
    const QString app = s.AppName();
    EXPECT_EQ(app, "Pelta-RX");
    s.SetCompany("  Acme  ");
    EXPECT_EQ(s.Company(), "Acme");
    s.SetCompany("");
    EXPECT_EQ(s.Company(), company);
    s.SetCompany("   ");
    EXPECT_EQ(s.Company(), "");
    EXPECT_EQ(s.BuildKeyPath("P"), "Software\\\\Pelta-RX\\P");
    s.SetAppName(" X ");
    EXPECT_EQ(s.AppName(), "X");
    s.SetAppName("");
    EXPECT_EQ(s.AppName(), app);
}

TEST_F(SettingsStore, TextsSurviveQuotesBackslashesAndLineBreaks) {
    const QString tricky = "C:\\dir \"quoted\"\nnext = line";
    ASSERT_TRUE(store_.SaveSetting("Preferences", "AutoSaveDir", tricky));
    EXPECT_EQ(store_.GetSetting("Preferences", "AutoSaveDir"), tricky);
    ASSERT_TRUE(store_.SaveSetting("Preferences", "AutoSaveDir", "/home/u/Videos"));
    EXPECT_EQ(store_.GetSetting("Preferences", "AutoSaveDir"), "/home/u/Videos");
    ASSERT_TRUE(store_.SaveSetting("Preferences", "Empty", ""));
    EXPECT_EQ(store_.GetSetting("Preferences", "Empty", "dflt"), "");
}

TEST_F(SettingsStore, DamagedFileReadsAsDefaultsAndIsKeptAtTheNextSave) {
    QDir().mkpath(QFileInfo(CRegSettings::StoreFilePath()).absolutePath());
    {
        QFile f(CRegSettings::StoreFilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is not a store\n\"AutoName\"=\"True\"\n");
    }
    EXPECT_EQ(store_.GetSetting("Preferences", "AutoName", "False"), "False");
    ASSERT_TRUE(store_.SaveSetting("Preferences", "Ext", ".wav"));
    EXPECT_EQ(store_.GetSetting("Preferences", "Ext", ".avi"), ".wav");
    const QStringList kept = QFileInfo(CRegSettings::StoreFilePath()).dir().entryList({"settings.reg.damaged-*"});
    ASSERT_EQ(kept.size(), 1);
    QFile k(QFileInfo(CRegSettings::StoreFilePath()).dir().filePath(kept.first()));
    ASSERT_TRUE(k.open(QIODevice::ReadOnly));
    EXPECT_TRUE(k.readAll().startsWith("this is not a store"));
}

TEST_F(SettingsStore, UnwritableFolderMakesSaveReturnFalse) {
    const QString folder = QFileInfo(CRegSettings::StoreFilePath()).absolutePath();
    QFile blocker(folder);  // a plain file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(store_.SaveSetting("Preferences", "AutoName", "True"));
    EXPECT_NE(gRetVal, 0);
    EXPECT_EQ(store_.GetSetting("Preferences", "AutoName", "False"), "False");
}

TEST(BooleanSettings, WordsInAnyCaseAndNumbers) {
    EXPECT_EQ(ToBoolean("True"), true);
    EXPECT_EQ(ToBoolean("true"), true);
    EXPECT_EQ(ToBoolean("FALSE"), false);
    EXPECT_EQ(ToBoolean("0"), false);
    EXPECT_EQ(ToBoolean("-1"), true);
    EXPECT_EQ(ToBoolean("2.5"), true);
    EXPECT_FALSE(ToBoolean("yes").has_value());
    EXPECT_FALSE(ToBoolean("").has_value());
}

TEST_F(SettingsStore, ProgramSettingsReadBooleansAndKeepFlagsOnBadText) {
    CreateProgramSettings();
    // The program's values live where the fixture's store keeps them.
    EXPECT_EQ(gSettings->BuildKeyPath(gSection), store_.BuildKeyPath("Preferences"));
    bool flag = false;
    gSettings->SaveSetting(gSection, "AutoName", "tRUE");
    ReadBooleanSetting("AutoName", flag);
    EXPECT_TRUE(flag);
    gSettings->SaveSetting(gSection, "AutoName", "maybe");
    ReadBooleanSetting("AutoName", flag);
    EXPECT_TRUE(flag);
}

}  // namespace
