#include "mainwindow/CommandLine.h"

#include "autocapture/AutoNaming.h"
#include "controls/Prompts.h"
#include "controls/SkipFailure.h"
#include "dialogs/Pelxbas.h"
#include "mainwindow/MainFrm.h"
#include "menus/OptionsMenus.h"
#include "settings/Globals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace pelta {

namespace {

using namespace engine;

void PrintError(const QString& text) {
    QTextStream err(stderr);
    err << QCoreApplication::applicationName().toLower() << ": " << text << Qt::endl;
}

// The self-pipe a signal handler writes one byte into; the UI thread reads it.
int gSignalPipe[2] = {-1, -1};

void OnStopSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (write(gSignalPipe[1], &byte, 1) < 0) {
        // Nothing to do: a byte already waiting stops the capture just the same.
    }
    errno = saved;
}

}  // namespace

void NameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Pelta-RX"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PELTA_VERSION));
}

int AnswerWithoutWindows(int argc, char** argv) {
    bool asked = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        asked = asked || a == "-h" || a == "--help" || a == "-?" || a == "--help-all" || a == "-v" || a == "--version";
    }
    if (!asked) return -1;
    QCoreApplication app(argc, argv);
    NameApplication();
    const CommandLineResult r = ParseCommandLine(QCoreApplication::arguments());
    return r.ExitStatus >= 0 ? r.ExitStatus : -1;
}

CommandLineResult ParseCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("CommandLine", "Records the screen, a camera and sound into AVI, WAV and MP3 files.\n"
           "Without options the program starts with its splash window."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QCoreApplication::translate("CommandLine", "FILE"), QCoreApplication::translate("CommandLine", "With --capture: the file to record into (.avi, .wav or .mp3); without it, the next "
                       "automatic name in the folder for automatic captures."),
        QCoreApplication::translate("CommandLine", "[FILE]"));
    const QCommandLineOption capture(QStringLiteral("capture"),
                                     QCoreApplication::translate("CommandLine", "Start a capture with the stored settings and the main window shown; "
                                        "it ends at the time limit or at SIGINT or SIGTERM, and the program "
                                        "with it. Exit status 0: the file is complete; 1: the capture failed; "
                                        "2: a wrong option."));
    const QCommandLineOption timeLimit(QStringLiteral("time-limit"), QCoreApplication::translate("CommandLine", "Stop the capture after S seconds."),
                                       QCoreApplication::translate("CommandLine", "S"));
    const QCommandLineOption video(QStringLiteral("video"),
                                   QCoreApplication::translate("CommandLine", "Record from the video device named DEVICE (as in Options > Video Device; "
                                      "\"None\" for no video)."),
                                   QCoreApplication::translate("CommandLine", "DEVICE"));
    const QCommandLineOption audio(QStringLiteral("audio"),
                                   QCoreApplication::translate("CommandLine", "Record from the audio device named DEVICE (as in Options > Audio Device; "
                                      "\"None\" for no sound)."),
                                   QCoreApplication::translate("CommandLine", "DEVICE"));
    parser.addOptions({capture, timeLimit, video, audio});

    CommandLineResult result;
    if (!parser.parse(arguments)) {
        PrintError(parser.errorText());
        result.ExitStatus = CaptureExit::Usage;
        return result;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        result.ExitStatus = 0;
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        QTextStream(stdout) << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion()
                            << Qt::endl;
        result.ExitStatus = 0;
        return result;
    }
    const QStringList files = parser.positionalArguments();
    const bool captureOnly = parser.isSet(timeLimit) || parser.isSet(video) || parser.isSet(audio) || !files.isEmpty();
    if (!parser.isSet(capture)) {
        if (captureOnly) {
            PrintError(QCoreApplication::translate("CommandLine", "--time-limit, --video, --audio and FILE go with --capture."));
            result.ExitStatus = CaptureExit::Usage;
        }
        return result;
    }
    if (files.size() > 1) {
        PrintError(QCoreApplication::translate("CommandLine", "--capture takes one file, not %1.").arg(files.size()));
        result.ExitStatus = CaptureExit::Usage;
        return result;
    }
    CommandLineCapture c;
    if (!files.isEmpty()) c.File = QFileInfo(files.first()).absoluteFilePath();
    if (parser.isSet(timeLimit)) {
        bool ok = false;
        c.TimeLimitSeconds = parser.value(timeLimit).toDouble(&ok);
        if (!ok || !(c.TimeLimitSeconds > 0) || c.TimeLimitSeconds > 86400.0 * 365) {
            PrintError(QCoreApplication::translate("CommandLine", "--time-limit needs a number of seconds above 0, not \"%1\".").arg(parser.value(timeLimit)));
            result.ExitStatus = CaptureExit::Usage;
            return result;
        }
    }
    c.VideoDevice = parser.value(video);
    c.AudioDevice = parser.value(audio);
    result.Capture = c;
    return result;
}

// Messages go to standard error; questions get their default answer.
class CommandLineRecorder::StderrPrompts final : public PromptSeam {
public:
    explicit StderrPrompts(int& errors) : errors_(errors) {}
    PromptAnswer Message(QWidget*, const QString& text, const QString&, PromptButtons buttons, bool defaultYes) override {
        PrintError(text.trimmed());
        ++errors_;
        if (buttons == PromptButtons::YesNo) return defaultYes ? PromptAnswer::Yes : PromptAnswer::No;
        return PromptAnswer::Ok;
    }
    void DetailedMessage(QWidget*, const QString& text, const QString&, const QString& detail) override {
        PrintError(detail.isEmpty() ? text.trimmed() : text.trimmed() + QStringLiteral(" ") + detail);
        ++errors_;
    }
    QString SaveFileName(const SaveFileRequest&) override { return {}; }
    QString OpenFileName(const OpenFileRequest&) override { return {}; }
    QString ExistingFolder(QWidget*, const QString&, const QString&) override { return {}; }
    int ExecDialog(QDialog&) override { return 0; }

private:
    int& errors_;
};

CommandLineRecorder::CommandLineRecorder(MainFrm& main, CommandLineCapture capture, QObject* parent)
    : QObject(parent), main_(main), capture_(std::move(capture)), prompts_(std::make_unique<StderrPrompts>(errors_)) {
    SetPrompts(prompts_.get());
    if (gSignalPipe[0] < 0 && pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        gSignalPipe[0] = gSignalPipe[1] = -1;
        return;
    }
    signals_ = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
    connect(signals_.get(), &QSocketNotifier::activated, this, [this] {
        char buf[16];
        while (read(gSignalPipe[0], buf, sizeof buf) > 0) {
        }
        Stop();
    });
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

CommandLineRecorder::~CommandLineRecorder() {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    SetPrompts(nullptr);
}

int CommandLineRecorder::SelectDevice(bool video, const QString& name) {
    if (name.isEmpty()) return CaptureExit::Good;
    CaptureEngineContract& e = main_.Engine();
    DeviceList& list = video ? e.VideoInputs() : e.AudioInputs();
    QStringList names;
    int16_t found = -1;
    const bool none =
        name.compare(QCoreApplication::translate("CommandLine", "None"), Qt::CaseInsensitive) == 0 || name.compare(QStringLiteral("None"), Qt::CaseInsensitive) == 0;
    SkipFailure([&] {
        for (int32_t i = 0; i < list.Count(); ++i) {
            const QString n = QString::fromStdString(list.Item(i).DisplayName);
            names << n;
            if (found < 0 && n.compare(name, Qt::CaseInsensitive) == 0) found = static_cast<int16_t>(i);
        }
    });
    if (found < 0 && !none) {
        PrintError(QCoreApplication::translate("CommandLine", "no %1 device is named \"%2\"; there are: %3")
                       .arg(video ? QCoreApplication::translate("CommandLine", "video") : QCoreApplication::translate("CommandLine", "audio"), name,
                            (QStringList{QStringLiteral("None")} + names).join(QStringLiteral(", "))));
        return CaptureExit::Usage;
    }
    // As a click on the menu item would: element k stands for device k-1. A device that
    // refuses to open is told through the prompts.
    const int before = errors_;
    if (video) main_.Options().VideoDeviceClicked(static_cast<int16_t>(found + 1));
    else main_.Options().AudioDeviceClicked(static_cast<int16_t>(found + 1));
    return errors_ == before ? CaptureExit::Good : CaptureExit::Failed;
}

void CommandLineRecorder::Start() {
    if (finished_) return;
    for (const bool video : {true, false}) {
        const int status = SelectDevice(video, video ? capture_.VideoDevice : capture_.AudioDevice);
        if (status != CaptureExit::Good) return Finish(status);
    }
    CaptureEngineContract& e = main_.Engine();
    bool hasVideo = false, hasAudio = false;
    SkipFailure([&] { hasVideo = e.VideoInputs().Selected() >= 0; });
    SkipFailure([&] { hasAudio = e.AudioInputs().Selected() >= 0; });
    path_ = capture_.File;
    int32_t mode = hasVideo && hasAudio ? CaptureMode::VideoAndAudio
                   : hasVideo           ? CaptureMode::VideoOnly
                                        : CaptureMode::AudioOnly;
    if (path_.isEmpty()) {
        const QString folder = sAutoSaveDir.isEmpty() ? QDir::currentPath() : sAutoSaveDir;
        const auto next = NextAutoName(folder, AutoCaptureExt(mode, sExt), bAddTime, QDate::currentDate(), 0,
                                       [](const QString& p) { return FileExists(p); });
        if (!next) {
            PrintError(QCoreApplication::translate("CommandLine", "every automatic name is taken in %1.").arg(folder));
            return Finish(CaptureExit::Failed);
        }
        path_ = next->Path;
    }
    const int32_t format = OutputFormatForName(path_);
    if (format != OutputFormat::Avi) mode = CaptureMode::AudioOnly;
    if (!hasVideo && !hasAudio) {
        PrintError(QCoreApplication::translate("CommandLine", "no video and no audio device is chosen."));
        return Finish(CaptureExit::Usage);
    }
    if (mode == CaptureMode::AudioOnly && !hasAudio) {
        PrintError(QCoreApplication::translate("CommandLine", "%1 holds only sound, and no audio device is chosen.").arg(path_));
        return Finish(CaptureExit::Usage);
    }
    try {
        e.SetCaptureFileName(path_.toStdString());
        e.SetOutputFormat(format);
        // The limit is the engine's own (none without --time-limit); the stored one comes
        // back when the capture is over.
        const bool on = e.TimeLimitOn();
        const double seconds = e.TimeLimitSeconds();
        restoreLimit_ = [&e, on, seconds] {
            SkipFailure([&] { e.SetTimeLimitSeconds(seconds); });
            SkipFailure([&] { e.SetTimeLimitOn(on); });
        };
        if (capture_.TimeLimitSeconds > 0) e.SetTimeLimitSeconds(capture_.TimeLimitSeconds);
        e.SetTimeLimitOn(capture_.TimeLimitSeconds > 0);
        e.PrepareCapture(mode);
        e.BeginCapture(mode);
    } catch (const std::exception& err) {
        PrintError(QString::fromStdString(err.what()));
        SkipFailure([&] { e.EndCapture(); });
        return Finish(CaptureExit::Failed);
    }
    started_ = true;
    PrintError(QCoreApplication::translate("CommandLine", "recording into %1").arg(path_));
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &CommandLineRecorder::Poll);
    poll->start(50);
}

void CommandLineRecorder::Stop() {
    if (!started_) {
        PrintError(QCoreApplication::translate("CommandLine", "stopped before the capture began."));
        return Finish(CaptureExit::Failed);
    }
    if (stopping_ || finished_) return;
    stopping_ = true;
    SkipFailure([&] { main_.Engine().EndCapture(); });
    Poll();
}

void CommandLineRecorder::Poll() {
    if (finished_) return;
    CaptureEngineContract& e = main_.Engine();
    int32_t state = EngineStateCode::Capturing;
    SkipFailure([&] { state = e.EngineState(); });
    if (state == EngineStateCode::Capturing || state == EngineStateCode::Busy) return;
    int32_t target = 0;
    SkipFailure([&] { target = e.TargetState(); });
    const bool good = target == 2 && errors_ == 0 && QFileInfo(path_).size() > 0;
    if (!good && errors_ == 0) PrintError(QCoreApplication::translate("CommandLine", "the capture ended without a complete file."));
    Finish(good ? CaptureExit::Good : CaptureExit::Failed);
}

void CommandLineRecorder::Finish(int status) {
    if (finished_) return;
    finished_ = true;
    if (restoreLimit_) restoreLimit_();
    // Leaves after the events now pending (the engine's CaptureEnded among them) have run.
    QTimer::singleShot(0, qApp, [status] {
        if (auto* main = MainFrm::Instance()) main->close();
        QCoreApplication::exit(status);
    });
}

}  // namespace pelta
