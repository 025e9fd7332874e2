#include "dialogs/Pelxbas.h"
#include "controls/EngineWords.h"

#include "controls/Prompts.h"
#include "engine/core/EngineContract.h"
#include "settings/Globals.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include <climits>
#include <sys/statvfs.h>

namespace pelta {

namespace {

struct Targets {
    QPointer<QLabel> label;
    QPointer<QLineEdit> size;
};
Targets gAllocTargets;
Targets gCapVidAudTargets;
FreeSpaceSource gFreeSpaceSource;

int64_t StatvfsFreeKB(const QString& absolutePath) {
    // The nearest folder that exists decides which filesystem is asked.
    QFileInfo info(absolutePath);
    QString folder = info.isDir() ? absolutePath : info.absolutePath();
    while (!QFileInfo(folder).isDir()) {
        const QString up = QFileInfo(folder).absolutePath();
        if (up == folder) return -1;
        folder = up;
    }
    struct statvfs st {};
    if (statvfs(QFile::encodeName(folder).constData(), &st) != 0) return -1;
    const unsigned long long bytes = static_cast<unsigned long long>(st.f_bavail) * st.f_frsize;
    return static_cast<int64_t>(bytes / 1024);
}

}  // namespace

void SetDiskSpaceTargets(int16_t dialog, QLabel* lblFreeDiskSpace, QLineEdit* edtCapFileSize) {
    Targets& t = dialog == SpaceDialog::AllocCapFile ? gAllocTargets : gCapVidAudTargets;
    t.label = lblFreeDiskSpace;
    t.size = edtCapFileSize;
}

void SetFreeSpaceSource(FreeSpaceSource source) { gFreeSpaceSource = std::move(source); }

int64_t UpdateDiskSpace(const QString& Path) {
    const int64_t size = GetSize(Path);
    const int64_t freeKB = GetFreeDiskSpaceKB(Path);
    const Targets& t = nSpaceDialog == SpaceDialog::AllocCapFile ? gAllocTargets : gCapVidAudTargets;
    int64_t freeMB = 0;
    if (freeKB == -1) {
        if (t.label) t.label->setEnabled(false);
    } else {
        const int64_t totalKB = size / 1024 + freeKB;
        freeMB = totalKB / 1024;
        if (t.label) {
            t.label->setText(QString::number(freeMB));
            t.label->setEnabled(true);
        }
    }
    if (t.size) t.size->setText(QString::number(size / 1048576));
    return freeMB;
}

int64_t GetFreeDiskSpaceKB(const QString& Path) {
    const QString absolute = QDir::cleanPath(QFileInfo(Path.isEmpty() ? QDir::currentPath() : Path).absoluteFilePath());
    if (gFreeSpaceSource) return gFreeSpaceSource(absolute);
    return StatvfsFreeKB(absolute);
}

bool FileExists(const QString& Path) {
    lFileLength = 0;
    const QFileInfo info(Path);
    if (!Path.isEmpty() && info.isFile()) lFileLength = info.size();
    return lFileLength != 0;
}

void SplitPath(QString& Path, QString& Ext, QString& Folder) {
    const QString given = Path;
    const QString title = StripNull(given.mid(given.lastIndexOf(u'/') + 1));
    Path = title;
    sFileTitle = title;
    // The extension is what follows the name's last dot; a name without one (or whose
    // only dot starts it) has no extension and keeps its whole title.
    const qsizetype dot = title.lastIndexOf(u'.');
    Ext = dot > 0 ? title.mid(dot + 1) : QString();
    if (dot > 0) sFileTitle = title.left(dot);
    Folder = given.left(given.size() - title.size());
}

QString StripNull(const QString& Text) {
    const qsizetype p = Text.indexOf(QChar(u'\0'));
    return p < 0 ? Text : Text.left(p);
}

int64_t GetSize(const QString& FileName) {
    if (FileName.isEmpty() || QFileInfo(FileName).isDir()) return 0;
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    return f.size();
}

void ReleaseTarget(engine::CaptureEngineContract& engine) {
    const bool buffered = engine.TargetState() == 2;
    engine.ResetOutput();
    if (buffered) bytTargetBuffer = QByteArray(1, '\0');
}

void BrowseForCaptureFile(engine::CaptureEngineContract& engine, SaveFileRequest request, QLineEdit* box) {
    try {
        const QFileInfo current(QString::fromStdString(engine.CaptureFileName()));
        request.InitialFolder = current.absolutePath();
        request.InitialName = current.fileName();
    } catch (const std::exception&) {
    }
    const QString chosen = Prompts().SaveFileName(request);
    if (chosen.isEmpty()) return;  // cancelled: nothing changes
    try {
        box->setText(chosen);
        UpdateDiskSpace(chosen);
    } catch (const std::exception& e) {
        Prompts().Message(request.Owner, EngineErrorText(std::string(e.what())), ApplicationTitle(), PromptButtons::Ok);
    }
}

QString PathTooLongText(const QString& Path) {
    if (Path.isEmpty()) return {};
    // The kernel's limits are in bytes of the encoded name, whatever the characters.
    const QByteArray absolute = QFile::encodeName(QFileInfo(Path).absoluteFilePath());
    bool tooLong = absolute.size() > PATH_MAX - 1;
    for (const QByteArray& part : absolute.split('/')) tooLong = tooLong || part.size() > NAME_MAX;
    if (!tooLong) return {};
    return QCoreApplication::translate("Pelxbas",
                                       "The capture file's path is too long for the system: a file or folder name "
                                       "can have at most %1 characters and the whole path %2. Choose a shorter "
                                       "name or folder.")
        .arg(NAME_MAX)
        .arg(PATH_MAX - 1);
}

}  // namespace pelta
