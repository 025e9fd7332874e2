#include "autocapture/AutoNaming.h"

#include "engine/core/EngineContract.h"

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
                                     int lastNumber, const std::function<bool(const QString&)>& exists) {
    // Folders are used as stored; only the separator between folder and name is added.
    const QString base = folder + QStringLiteral("/Auto-");
    for (int n = lastNumber + 1; n <= kAutoCountLimit; ++n) {
        const QString undated = base + QString::number(n) + ext;
        if (exists(undated)) continue;
        if (!addDate) return AutoName{undated, n};
        const QString dated = base + QString::number(n) + QStringLiteral(" - ") + AutoNameDate(today) + ext;
        if (exists(dated)) continue;
        return AutoName{dated, n};
    }
    return std::nullopt;
}

}  // namespace pelta
