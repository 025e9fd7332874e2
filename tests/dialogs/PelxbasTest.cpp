#include "dialogs/Pelxbas.h"
#include "settings/Globals.h"
#include "support/ScriptableEngine.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

using namespace pelta;

namespace {

using test::WriteFileOfSize;

class DiskSpace : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        nSpaceDialog = SpaceDialog::CapVidAud;
        SetDiskSpaceTargets(SpaceDialog::CapVidAud, &label_, &size_);
        label_.setText("old");
    }
    void TearDown() override {
        SetFreeSpaceSource({});
        SetDiskSpaceTargets(SpaceDialog::CapVidAud, nullptr, nullptr);
        SetDiskSpaceTargets(SpaceDialog::AllocCapFile, nullptr, nullptr);
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
    QLabel label_;
    QLineEdit size_;
};

// An existing file counts the space it would give back; an unknown free space greys the
// label and keeps its text, but the size is still shown; large files and disks keep their
// true figures.
TEST_F(DiskSpace, ExistingFilesCountTheSpaceTheyWouldGiveBack) {
    const qint64 big = 3LL * 1024 * 1024 * 1024;  // 3 GiB, sparse
    const int64_t fiveTB = 5LL * 1024 * 1024 * 1024;  // in KB
    const struct {
        qint64 bytes;
        int64_t freeKB, megabytes;
        const char *label, *size;
    } rows[] = {
        {3000000, 10000, 12, "12", "2"},  // 2929 + 10000 KB
        {5 * 1048576 + 7, -1, 0, "old", "5"},
        {big, fiveTB, (big / 1024 + fiveTB) / 1024, "5245952", "3072"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.bytes);
        label_.setText("old");
        ASSERT_TRUE(WriteFileOfSize(Path("take.avi"), r.bytes));
        SetFreeSpaceSource([&](const QString&) { return r.freeKB; });
        EXPECT_EQ(UpdateDiskSpace(Path("take.avi")), r.megabytes);
        EXPECT_EQ(label_.text(), r.label);
        EXPECT_EQ(label_.isEnabled(), r.freeKB >= 0);
        EXPECT_EQ(size_.text(), r.size);
    }
    EXPECT_EQ(GetSize(Path("take.avi")), big);
    ASSERT_TRUE(FileExists(Path("take.avi")));
    EXPECT_EQ(lFileLength, big);
}

TEST_F(DiskSpace, MissingFileShowsZeroSizeAndTheRealFreeSpaceOfTheAbsolutePath) {
    const int64_t kb = GetFreeDiskSpaceKB(Path("no/such/folder/x.avi"));
    ASSERT_GT(kb, 0);  // measured at the nearest folder that exists
    UpdateDiskSpace(Path("missing.avi"));
    EXPECT_EQ(size_.text(), "0");
    // The figure is the temporary folder's filesystem, give or take what others write.
    EXPECT_NEAR(label_.text().toLongLong(), GetFreeDiskSpaceKB(dir_.path()) / 1024, 2);

    // Free space is asked of the absolute path.
    QString asked;
    SetFreeSpaceSource([&](const QString& p) { asked = p; return int64_t(1); });
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir_.path());
    GetFreeDiskSpaceKB("sub/../clip.avi");
    QDir::setCurrent(before);
    EXPECT_EQ(asked, QDir::cleanPath(dir_.filePath("clip.avi")));
}

TEST_F(DiskSpace, FiguresGoToTheDialogNamedByNSpaceDialog) {
    QLabel allocLabel;
    QLineEdit allocSize;
    SetDiskSpaceTargets(SpaceDialog::AllocCapFile, &allocLabel, &allocSize);
    SetFreeSpaceSource([](const QString&) { return int64_t(2048); });
    nSpaceDialog = SpaceDialog::AllocCapFile;
    UpdateDiskSpace(Path("x.avi"));
    EXPECT_EQ(allocLabel.text(), "2");
    EXPECT_EQ(label_.text(), "old");
    nSpaceDialog = 7;  // anything but 1 means the video and audio dialog
    UpdateDiskSpace(Path("x.avi"));
    EXPECT_EQ(label_.text(), "2");
}

TEST_F(DiskSpace, EmptyAndUnreadableFilesCountAsMissing) {
    ASSERT_TRUE(WriteFileOfSize(Path("empty.avi"), 0));
    EXPECT_FALSE(FileExists(Path("empty.avi")));
    EXPECT_EQ(lFileLength, 0);
    ASSERT_TRUE(WriteFileOfSize(Path("one.avi"), 1));
    EXPECT_TRUE(FileExists(Path("one.avi")));
    EXPECT_FALSE(FileExists(Path("nope.avi")));
    EXPECT_EQ(lFileLength, 0);
    EXPECT_FALSE(FileExists(dir_.path()));  // a folder is not a capture file
    EXPECT_EQ(GetSize(Path("nope.avi")), 0);
    EXPECT_EQ(GetSize(dir_.path()), 0);
}

TEST(SplitPath, NameFolderTitleAndExtensionAfterTheLastDot) {
    const struct {
        QString given, name, ext, folder, title;
    } rows[] = {{"/clips/take1.avi", "take1.avi", "avi", "/clips/", "take1"},
                {"/clips/holiday.2024.mpeg", "holiday.2024.mpeg", "mpeg", "/clips/", "holiday.2024"},
                {"/clips/take1", "take1", "", "/clips/", "take1"},
                {"/clips.d/.hidden", ".hidden", "", "/clips.d/", ".hidden"},
                {"plain.wav", "plain.wav", "wav", "", "plain"}};
    for (const auto& r : rows) {
        QString path = r.given, ext = "old", folder = "old";
        SplitPath(path, ext, folder);
        EXPECT_EQ(path, r.name) << r.given.toStdString();
        EXPECT_EQ(ext, r.ext) << r.given.toStdString();
        EXPECT_EQ(folder, r.folder) << r.given.toStdString();
        EXPECT_EQ(sFileTitle, r.title) << r.given.toStdString();
    }
}

TEST(StripNull, CutsAtTheFirstNul) {
    EXPECT_EQ(StripNull("abc"), "abc");
    EXPECT_EQ(StripNull(QString::fromLatin1("\0abc", 4)), "");
    EXPECT_EQ(StripNull(QString::fromLatin1("ab\0c\0", 5)), "ab");
}

TEST(ReleaseTarget, ResetsOutputAndEmptiesTheBufferOnlyInTargetStateTwo) {
    pelta::test::ScriptableEngine engine;
    bytTargetBuffer = QByteArray(100, 'x');
    engine.Target = 1;
    ReleaseTarget(engine);
    EXPECT_EQ(engine.CallsStartingWith("ResetOutput").size(), 1u);
    EXPECT_EQ(bytTargetBuffer.size(), 100);
    engine.Target = 2;
    ReleaseTarget(engine);
    EXPECT_EQ(engine.CallsStartingWith("ResetOutput").size(), 2u);
    EXPECT_EQ(bytTargetBuffer, QByteArray(1, '\0'));
}

}  // namespace
