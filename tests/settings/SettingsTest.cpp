// The settings store: values by section and key in one file, and that file as it is found on
// disk: damaged in several ways, a symbolic link, or on a full disk.
#include "settings/Globals.h"
#include "settings/RegSettings.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <optional>

using namespace pelta;

// Readable texts in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// The seven preferences in the order they are first saved, so the file holds them in
// this order too.
const std::vector<std::pair<QString, QString>> kStored = {
    {"AutoName", "True"},  {"TopWindow", "True"},           {"WindowsDown", "True"}, {"AddTime", "True"},
    {"SaveExt", "True"},   {"AutoSaveDir", "/home/u/Videos"}, {"Ext", ".wav"},
};
const std::map<QString, QString> kDefaults = {
    {"AutoName", "False"}, {"TopWindow", "False"}, {"WindowsDown", "False"}, {"AddTime", "False"},
    {"SaveExt", "False"},  {"AutoSaveDir", ""},    {"Ext", ".avi"},
};

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        store_.SetCompany("Fenwick Software");
        store_.SetAppName("Pelta-RX v1.5");
    }
    QString File() const { return CRegSettings::StoreFilePath(); }
    QString ReadFile() const { return QString::fromUtf8(ReadBytes(File())); }
    QDir Folder() const { return QFileInfo(File()).dir(); }
    QStringList DamagedCopies() const { return Folder().entryList({"settings.reg.damaged-*"}, QDir::Files | QDir::System); }
    void SaveAll() {
        for (const auto& [key, value] : kStored) ASSERT_TRUE(store_.SaveSetting("Preferences", key, value));
    }
    QString Read(const QString& key) { return store_.GetSetting("Preferences", key, kDefaults.at(key)); }

    test::TempConfigHome home_;
    CRegSettings store_;
};

using SettingsFile = SettingsStore;

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

TEST_F(SettingsStore, StarIsTheUnnamedValueOtherStarsAreNamesAndNoSectionIsTheApplication) {
    ASSERT_TRUE(store_.SaveSetting("Preferences", "*", "unnamed"));
    ASSERT_TRUE(store_.SaveSetting("Preferences", "**", "two"));
    ASSERT_TRUE(store_.SaveSetting("Preferences", "x*", "x"));
    EXPECT_EQ(store_.GetSetting("Preferences", "*"), "unnamed");
    EXPECT_EQ(store_.GetSetting("Preferences", "**"), "two");
    EXPECT_EQ(store_.GetSetting("Preferences", "x*"), "x");
    EXPECT_TRUE(ReadFile().contains("@=\"unnamed\""));
    // An empty section lives directly under the application.
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

TEST_F(SettingsStore, UnwritableFolderMakesSaveReturnFalse) {
    QFile blocker(Folder().path());  // a plain file where the folder should be
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(store_.SaveSetting("Preferences", "AutoName", "True"));
    EXPECT_NE(gRetVal, 0);
    EXPECT_EQ(store_.GetSetting("Preferences", "AutoName", "False"), "False");
}

TEST(BooleanSettings, WordsInAnyCaseAndNumbers) {
    const std::pair<const char*, std::optional<bool>> rows[] = {
        {"True", true}, {"true", true}, {"FALSE", false}, {"0", false},
        {"-1", true},   {"2.5", true},  {"yes", std::nullopt}, {"", std::nullopt}};
    for (const auto& [text, value] : rows) EXPECT_EQ(ToBoolean(text), value) << text;
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

struct Damage {
    const char* name;
    std::function<QByteArray(const QByteArray&)> apply;
    QStringList lost;  // keys whose line the damage destroys
};

// Every well-formed value survives the damage, what was destroyed reads as its default, the
// next save keeps both, and the damaged original is kept byte for byte beside the file.
TEST_F(SettingsFile, DamageLosesOnlyTheDamagedValues) {
    const auto lineOf = [](const QByteArray& file, const char* key) {
        return file.indexOf(QByteArray("\"") + key + "\"=");
    };
    // Puts `bytes` `offset` bytes into the line of `key`.
    const auto insertAt = [&](const char* key, int offset, const QByteArray& bytes) {
        return [=](QByteArray f) { return f.insert(lineOf(f, key) + offset, bytes); };
    };
    const std::vector<Damage> damages = {
        {"hello world appended", [](QByteArray f) { return f + "hello world\n"; }, {}},
        {"hello world without a line end", [](QByteArray f) { return f + "hello world"; }, {}},
        {"cut in the middle of the last line",
         [&](QByteArray f) { return f.left(lineOf(f, "Ext") + 7); }, {"Ext"}},
        // "\/" is no escape this file knows.
        {"an escape the file does not know", insertAt("AutoSaveDir", 15, "\\"), {"AutoSaveDir"}},
        {"random bytes inside a value", insertAt("AutoSaveDir", 20, QByteArray("\xff\xfe\x80", 3)), {"AutoSaveDir"}},
        {"random bytes with a NUL and a line break between lines",
         insertAt("AddTime", 0, QByteArray("\x9f\x00\x01\n", 4) + "\xc3garbage=\"x\n"), {}},
        {"a line overwritten with random bytes",
         [&](QByteArray f) {
             return f.replace(lineOf(f, "TopWindow"), 8, QByteArray("\x13\x88\xfa\x00\x7f\x91\x02\x03", 8));
         },
         {"TopWindow"}},
        {"a value line without its key block",
         [](QByteArray f) { return "\"Ext\"=\".mp3\"\n" + f; }, {}},
        {"no store at all, a value line without its key block",
         [](QByteArray) { return QByteArray("this is not a store\n\"AutoName\"=\"True\"\n"); },
         {"AutoName", "TopWindow", "WindowsDown", "AddTime", "SaveExt", "AutoSaveDir", "Ext"}},
        {"nothing but random bytes",
         [](QByteArray) {
             QByteArray noise;
             for (int i = 0; i < 512; ++i) noise += char((i * 7919 + 13) % 256);
             return noise;
         },
         {"AutoName", "TopWindow", "WindowsDown", "AddTime", "SaveExt", "AutoSaveDir", "Ext"}},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        QDir(home_.path()).removeRecursively();
        SaveAll();
        const QByteArray damaged = d.apply(ReadBytes(File()));
        ASSERT_TRUE(WriteBytes(File(), damaged));

        for (const auto& [key, value] : kStored)
            EXPECT_EQ(Read(key), d.lost.contains(key) ? kDefaults.at(key) : value) << key.toStdString();

        // A change saves the new value beside every value that could be read.
        ASSERT_TRUE(store_.SaveSetting("Preferences", "WindowsDown", "False"));
        for (const auto& [key, value] : kStored) {
            const QString want = key == "WindowsDown" ? "False" : (d.lost.contains(key) ? kDefaults.at(key) : value);
            EXPECT_EQ(Read(key), want) << key.toStdString();
        }
        const QStringList kept = DamagedCopies();
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(ReadBytes(Folder().filePath(kept.first())), damaged);
        // The rewritten file is whole again: another save keeps no second copy.
        ASSERT_TRUE(store_.SaveSetting("Preferences", "AddTime", "False"));
        EXPECT_EQ(DamagedCopies().size(), 1);
    }
}

// A settings file that is a symbolic link: read through, never written through.
TEST_F(SettingsFile, ASaveReplacesTheLinkDanglingOrNotAndLeavesItsTargetAlone) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("shared.reg");
    SaveAll();
    ASSERT_TRUE(QFile::rename(File(), target));
    const QByteArray original = ReadBytes(target);
    ASSERT_TRUE(QFile::link(target, File()));

    EXPECT_EQ(Read("Ext"), ".wav");  // the link's values are the user's values
    ASSERT_TRUE(store_.SaveSetting("Preferences", "Ext", ".mp3"));

    EXPECT_EQ(ReadBytes(target), original);
    EXPECT_FALSE(QFileInfo(File()).isSymLink());
    EXPECT_TRUE(QFileInfo(File()).isFile());
    EXPECT_EQ(Read("Ext"), ".mp3");
    EXPECT_EQ(Read("AutoSaveDir"), "/home/u/Videos");

    // A dangling link is replaced the same way, without creating its target.
    const QString missing = elsewhere.filePath("missing/none.reg");
    ASSERT_TRUE(QFile::remove(File()));
    ASSERT_TRUE(QFile::link(missing, File()));
    EXPECT_EQ(Read("Ext"), ".avi");
    ASSERT_TRUE(store_.SaveSetting("Preferences", "Ext", ".mp3"));
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_FALSE(QFileInfo(File()).isSymLink());
    EXPECT_EQ(Read("Ext"), ".mp3");
}

TEST_F(SettingsFile, ADamagedLinkIsKeptAsARealCopyOfItsContent) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("shared.reg");
    SaveAll();
    QByteArray damaged = ReadBytes(File()) + "hello world\n";
    ASSERT_TRUE(WriteBytes(target, damaged));
    ASSERT_TRUE(QFile::remove(File()));
    ASSERT_TRUE(QFile::link(target, File()));

    ASSERT_TRUE(store_.SaveSetting("Preferences", "AddTime", "False"));
    EXPECT_EQ(ReadBytes(target), damaged);
    const QStringList kept = DamagedCopies();
    ASSERT_EQ(kept.size(), 1);
    const QFileInfo copy(Folder().filePath(kept.first()));
    EXPECT_FALSE(copy.isSymLink());
    EXPECT_EQ(ReadBytes(copy.filePath()), damaged);
    // Overwriting the old target later changes nothing in the copy.
    ASSERT_TRUE(WriteBytes(target, "other"));
    EXPECT_EQ(ReadBytes(copy.filePath()), damaged);
    EXPECT_EQ(Read("AddTime"), "False");
    EXPECT_EQ(Read("Ext"), ".wav");
}

// A full disk: the save fails, says so, and the file on disk is exactly what it was.
TEST_F(SettingsFile, AFullDiskLeavesTheOldFileWhole) {
    QDir().mkpath(Folder().path());
    const test::SmallDisk disk("64k", test::SmallDisk::Tmpfs, Folder().path().toStdString());
    if (!disk.mounted) GTEST_SKIP() << "cannot mount a tmpfs here";
    SaveAll();
    const QByteArray damaged = ReadBytes(File()) + "hello world\n";
    ASSERT_TRUE(WriteBytes(File(), damaged));
    {
        QFile filler(Folder().filePath("filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    EXPECT_FALSE(store_.SaveSetting("Preferences", "Ext", ".mp3"));
    EXPECT_NE(gRetVal, 0);
    EXPECT_EQ(ReadBytes(File()), damaged);
    EXPECT_EQ(Folder().entryList(QDir::Files | QDir::Hidden).size(), 2) << "no temporary file or copy is left";
    EXPECT_EQ(Read("Ext"), ".wav");

    ASSERT_TRUE(QFile::remove(Folder().filePath("filler")));
    ASSERT_TRUE(store_.SaveSetting("Preferences", "Ext", ".mp3"));
    EXPECT_EQ(Read("Ext"), ".mp3");
    ASSERT_EQ(DamagedCopies().size(), 1);
    EXPECT_EQ(ReadBytes(Folder().filePath(DamagedCopies().first())), damaged);
}

}  // namespace
