#include "mainwindow/StartUpSafety.h"

#include "controls/EngineWords.h"
#include "controls/Prompts.h"
#include "engine/core/record/CaptureJournal.h"
#include "engine/core/record/CaptureRepair.h"
#include "engine/core/record/CaptureSession.h"
#include "engine/core/record/FileSink.h"
#include "settings/RegSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace pelta {

namespace {

// How long an exit waits for a running capture to finish its file.
constexpr auto kFinishAtExit = std::chrono::seconds(5);

}  // namespace

void IgnoreFileSizeLimitSignal() { engine::record::IgnoreFileSizeSignal(); }

QStringList RepairInterruptedCaptures() {
    using engine::record::RepairResult;
    QStringList lines;
    for (auto& entry : engine::record::JournalEntry::Abandoned()) {
        const std::string file = entry->File();
        std::error_code ec;
        if (file.empty() || !std::filesystem::exists(file, ec)) continue;  // gone: nothing to do
        const RepairResult r = engine::record::RepairCapture(file);
        const QString name = QString::fromStdString(file);
        if (r.Result == RepairResult::Outcome::Repaired) {
            lines << QCoreApplication::translate(
                         "StartUpSafety", "%1 was cut off while it was recorded. It has been repaired and holds %2 seconds.")
                         .arg(name, QLocale().toString(r.Seconds, 'f', 1));
        } else if (r.Result == RepairResult::Outcome::Failed) {
            lines << QCoreApplication::translate("StartUpSafety", "%1 was cut off while it was recorded and could not be "
                                                                  "repaired (%2). It is left as it was.")
                         .arg(name, EngineErrorText(r.Why));
        }
    }
    return lines;
}

void LookAfterCaptureFiles(QWidget* parent, RepairReport report) {
    const QString folder = QFileInfo(CRegSettings::StoreFilePath()).absolutePath() + QStringLiteral("/running-captures");
    engine::record::SetJournalFolder(folder.toStdString());
    // Qt leaves through exit() when the display connection breaks; the file is finished then.
    static bool once = false;
    if (!once) {
        once = true;
        std::atexit([] { engine::CaptureSession::FinishAllRunning(kFinishAtExit); });
    }
    const QStringList lines = RepairInterruptedCaptures();
    if (lines.isEmpty()) return;
    if (report == RepairReport::StandardError) {
        std::fputs(qPrintable(lines.join(QStringLiteral("\n")) + QStringLiteral("\n")), stderr);
        return;
    }
    Prompts().Message(parent, lines.join(QStringLiteral("\n\n")), ApplicationTitle(), PromptButtons::Ok);
}

}  // namespace pelta
