#include "autocapture/AutoNaming.h"

namespace pelta {

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
