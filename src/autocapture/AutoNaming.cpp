#include "autocapture/AutoNaming.h"

#include "engine/core/EngineContract.h"
#include "engine/core/record/FileClaim.h"
#include "engine/core/record/FileSink.h"

namespace pelta {

QString AutoCaptureExt(int mode, const QString& storedExt) {
    using namespace engine;
    const bool soundOnly = mode == CaptureMode::AudioOnly;
    const QString ext = storedExt.toLower();
    if (soundOnly && (ext == QStringLiteral(".avi") || ext == QStringLiteral(".wav") || ext == QStringLiteral(".mp3")))
        return ext;
    return QStringLiteral(".avi");
}

int32_t OutputFormatForName(const QString& path) {
    using namespace engine;
    if (path.endsWith(QStringLiteral(".wav"), Qt::CaseInsensitive)) return OutputFormat::Wave;
    if (path.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive)) return OutputFormat::Mp3;
    return OutputFormat::Avi;
}

QString AutoNameDate(const QDate& day) { return day.toString(QStringLiteral("MM-dd-yyyy")); }

std::optional<AutoName> NextAutoName(const QString& folder, const QString& ext, bool addDate, const QDate& today,
                                     int lastNumber, const std::function<bool(const QString&)>& exists,
                                     const std::function<bool(const QString&)>& claim) {
    // Folders are used as stored; only the separator between folder and name is added.
    const QString base = folder + QStringLiteral("/Auto-");
    for (int n = lastNumber + 1; n <= kAutoCountLimit; ++n) {
        const QString undated = base + QString::number(n) + ext;
        if (exists(undated)) continue;
        const QString name =
            addDate ? base + QString::number(n) + QStringLiteral(" - ") + AutoNameDate(today) + ext : undated;
        if (addDate && exists(name)) continue;
        if (claim && !claim(name)) continue;  // another copy of the program took it first
        return AutoName{name, n};
    }
    return std::nullopt;
}

bool ClaimAutoName(const QString& path) {
    // A folder that cannot be written is no reason to pass over every number: the capture
    // itself then reports why the file cannot be made.
    return engine::record::ClaimFile(path.toStdString()) != engine::record::ClaimResult::Taken;
}

void ReleaseAutoName(const QString& path) {
    if (!path.isEmpty()) engine::record::ReleaseClaim(path.toStdString());
}

QString AutoCaptureFolder(const QString& stored) {
    if (!stored.trimmed().isEmpty()) return stored;
    return QString::fromStdString(engine::record::VideosFolder());
}

}  // namespace pelta
