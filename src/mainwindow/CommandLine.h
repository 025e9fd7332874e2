// The command line: --help, --version, and --capture, which records one file with the stored
// settings and the main window shown, then ends the program with a status that says whether
// the file is good.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace pelta {

class MainFrm;

// Exit statuses of a command-line capture.
namespace CaptureExit {
constexpr int Good = 0;        // the file was written and finished without an error
constexpr int Failed = 1;      // the capture could not start, or an error ended it
constexpr int Usage = 2;       // the command line was wrong (an unknown device, a bad number)
}  // namespace CaptureExit

struct CommandLineCapture {
    QString File;              // empty: the next automatic name in the automatic-capture folder
    double TimeLimitSeconds = 0;  // 0: until SIGINT or SIGTERM
    QString VideoDevice;       // empty: the stored choice; "None" for none
    QString AudioDevice;
};

struct CommandLineResult {
    std::optional<CommandLineCapture> Capture;  // nullopt: start as usual
    int ExitStatus = -1;                        // >= 0: end now with this status
};

// The application's name and version, as --version prints them.
void NameApplication();
// When the arguments ask only for --help or --version: prints it (with no display, no
// window system) and returns 0; otherwise -1, and the program starts as usual.
int AnswerWithoutWindows(int argc, char** argv);

// Reads the arguments of `app` (which QApplication has already stripped of its own);
// --help and --version print and set ExitStatus 0; an error prints and sets 2.
CommandLineResult ParseCommandLine(const QStringList& arguments);

// Runs one capture in a main window that has been loaded and shown: picks the devices,
// names the file, starts, stops at the limit (the engine's own time limit) or at SIGINT or
// SIGTERM, and quits the application with a CaptureExit status. Messages the program would
// show go to standard error instead, so nothing waits on a person.
class CommandLineRecorder : public QObject {
    Q_OBJECT
public:
    CommandLineRecorder(MainFrm& main, CommandLineCapture capture, QObject* parent = nullptr);
    ~CommandLineRecorder() override;

    // Starts the capture; on failure quits with Failed or Usage.
    void Start();

private:
    void Stop();
    void Poll();
    void Finish(int status);
    int SelectDevice(bool video, const QString& name);  // a CaptureExit status

    MainFrm& main_;
    CommandLineCapture capture_;
    QString path_;
    bool started_ = false;
    bool stopping_ = false;
    bool finished_ = false;
    int errors_ = 0;
    std::function<void()> restoreLimit_;
    std::unique_ptr<QSocketNotifier> signals_;
    class StderrPrompts;
    std::unique_ptr<StderrPrompts> prompts_;
};

}  // namespace pelta
