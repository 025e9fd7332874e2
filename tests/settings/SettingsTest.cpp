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
const QStringList kAllKeys = {"AutoName", "TopWindow", "WindowsDown", "AddTime", "SaveExt", "AutoSaveDir", "Ext"};

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
    QDir Folder() const { return QFileInfo(File()).dir(); }
    QStringList DamagedCopies() const { return Folder().entryList({"settings.reg.damaged-*"}, QDir::Files | QDir::System); }
    // The one damaged copy's bytes; it is a file of its own, never a link.
    QByteArray OnlyDamagedCopy() const {
        const QStringList kept = DamagedCopies();
        if (kept.size() != 1) return "not one copy: " + kept.join(' ').toUtf8();
        const QString copy = Folder().filePath(kept.first());
        return QFileInfo(copy).isSymLink() ? "a link" : ReadBytes(copy);
    }
    void SaveAll() {
        for (const auto& [key, value] : kStored) ASSERT_TRUE(store_.SaveSetting("Preferences", key, value));
    }
    QString Read(const QString& key) { return store_.GetSetting("Preferences", key, kDefaults.at(key)); }
    // Every stored value reads back, except `changed`, saved as "False", and `lost` ones: their
    // defaults, with `lostCode` (13, invalid data, while the file is damaged).
    void ExpectStored(const QStringList& lost, const QString& changed = {}, int lostCode = 13) {
        for (const auto& [key, value] : kStored) {
            const bool gone = lost.contains(key) && key != changed;
            EXPECT_EQ(Read(key), key == changed ? "False" : gone ? kDefaults.at(key) : value) << key.toStdString();
            EXPECT_EQ(gRetVal, gone ? lostCode : 0) << key.toStdString();
        }
    }
    // Replaces the settings file by a symbolic link to `target`, which is made to hold `bytes`.
    void LinkTo(const QString& target, const QByteArray& bytes) {
        ASSERT_TRUE(WriteBytes(target, bytes));
        ASSERT_TRUE(QFile::remove(File()));
        ASSERT_TRUE(QFile::link(target, File()));
    }

    test::TempConfigHome home_;
    CRegSettings store_;
};

using SettingsFile = SettingsStore;

// Nothing is created until a save succeeds; the first creates every key on the path.
TEST_F(SettingsStore, FirstSaveCreatesTheWholePathWhereNothingWasAndReadsBack) {
    EXPECT_EQ(Read("AutoName"), "False");
    EXPECT_EQ(gRetVal, 2);
    EXPECT_EQ(store_.GetSetting("Preferences", "AutoSaveDir"), "");
    EXPECT_TRUE(QDir(home_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    {
        QFile blocker(Folder().path());  // a plain file where the folder should be
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        EXPECT_FALSE(store_.SaveSetting("Preferences", "AutoName", "True"));
        EXPECT_NE(gRetVal, 0);
        EXPECT_EQ(Read("AutoName"), "False");
        ASSERT_TRUE(blocker.remove());
    }
    ASSERT_TRUE(store_.SaveSetting("Preferences", "AutoName", "True"));
    EXPECT_EQ(gRetVal, 0);
    const QString text = QString::fromUtf8(ReadBytes(File()));
    for (const char* block : {"[Software]\n", "[Software\\Fenwick Software]\n",
                              "[Software\\Fenwick Software\\Pelta-RX v1.5]\n",
                              "[Software\\Fenwick Software\\Pelta-RX v1.5\\Preferences]\n\"AutoName\"=\"True\""})
        EXPECT_TRUE(text.contains(block)) << block;
    EXPECT_EQ(Read("AutoName"), "True");
    // Registry names do not depend on case.
    EXPECT_EQ(store_.GetSetting("preferences", "autoname", "False"), "True");
}

// "*" is the unnamed value, other stars are names, an empty section lives directly under the
// application, and texts keep quotes, backslashes and line breaks.
TEST_F(SettingsStore, NamesSectionsAndTextsReadBackAsSaved) {
    const struct {
        QString section, key, text;
    } rows[] = {{"Preferences", "*", "unnamed"}, {"Preferences", "**", "two"},  {"Preferences", "x*", "x"},
                {"", "Top", "1"},                {"Preferences", "Empty", ""},
                {"Preferences", "AutoSaveDir", "C:\\dir \"quoted\"\nnext = line\r"}};
    for (const auto& r : rows) ASSERT_TRUE(store_.SaveSetting(r.section, r.key, r.text));
    for (const auto& r : rows) EXPECT_EQ(store_.GetSetting(r.section, r.key, "dflt"), r.text) << r.key.toStdString();
    EXPECT_TRUE(ReadBytes(File()).contains("@=\"unnamed\""));
    EXPECT_EQ(store_.BuildKeyPath(""), "Software\\Fenwick Software\\Pelta-RX v1.5");
    EXPECT_EQ(store_.GetSetting("Preferences", "Top", "none"), "none");
}

// Line ends written by another system, comments, and a name given twice (the later text
// counts, as an import into the registry does) make no damaged file.
TEST_F(SettingsFile, ForeignLineEndsCommentsAndRepeatedNamesAreNoDamage) {
    SaveAll();
    QByteArray text = ReadBytes(File());
    text.replace("\n", "\r\n");
    ASSERT_TRUE(WriteBytes(File(), "; exported\r\n" + text + "\"WindowsDown\"=\"False\"\r\n"));
    ExpectStored({}, "WindowsDown");
    ASSERT_TRUE(store_.SaveSetting("Preferences", "AddTime", "False"));
    EXPECT_TRUE(DamagedCopies().isEmpty());
}

TEST_F(SettingsStore, CompanyAndAppNameTrimAndReset) {
    CRegSettings s;
    const QString company = s.Company();
    EXPECT_EQ(s.AppName(), "Pelta-RX");
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
    EXPECT_EQ(s.AppName(), "Pelta-RX");
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
    for (const char* text : {"tRUE", "maybe"}) {
        gSettings->SaveSetting(gSection, "AutoName", text);
        ReadBooleanSetting("AutoName", flag);
        EXPECT_TRUE(flag) << text;
    }
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
         [](QByteArray) { return QByteArray("this is not a store\n\"AutoName\"=\"True\"\n"); }, kAllKeys},
        {"nothing but random bytes",
         [](QByteArray) {
             QByteArray noise;
             for (int i = 0; i < 512; ++i) noise += char((i * 7919 + 13) % 256);
             return noise;
         },
         kAllKeys},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.name);
        QDir(home_.path()).removeRecursively();
        SaveAll();
        const QByteArray damaged = d.apply(ReadBytes(File()));
        ASSERT_TRUE(WriteBytes(File(), damaged));
        ExpectStored(d.lost);
        // A change saves the new value beside every value that could be read.
        ASSERT_TRUE(store_.SaveSetting("Preferences", "WindowsDown", "False"));
        ExpectStored(d.lost, "WindowsDown", 2);
        EXPECT_EQ(OnlyDamagedCopy(), damaged);
        // The rewritten file is whole again: another save keeps no second copy.
        ASSERT_TRUE(store_.SaveSetting("Preferences", "AddTime", "False"));
        EXPECT_EQ(DamagedCopies().size(), 1);
    }
}

// A settings file that is a symbolic link: read through, never written through. A save
// replaces the link itself, dangling or not, and keeps a damaged target as a real copy.
TEST_F(SettingsFile, ASaveReplacesTheLinkAndLeavesItsTargetAlone) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("shared.reg");
    SaveAll();
    const QByteArray original = ReadBytes(File());
    LinkTo(target, original);
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

    const QByteArray damaged = original + "hello world\n";
    LinkTo(target, damaged);
    ASSERT_TRUE(store_.SaveSetting("Preferences", "AddTime", "False"));
    EXPECT_EQ(ReadBytes(target), damaged);
    // Overwriting the old target later changes nothing in the copy.
    ASSERT_TRUE(WriteBytes(target, "other"));
    EXPECT_EQ(OnlyDamagedCopy(), damaged);
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
    EXPECT_EQ(OnlyDamagedCopy(), damaged);
}

}  // namespace
