// The program under a file-size limit smaller than the sound server's shared memory pool
// (libpulse sizes it at 64 MiB when it connects): it must start and stay up.
#include "support/MediaTest.h"
#include "support/Processes.h"

#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <thread>

namespace {

class FileSizeLimit : public pelta::test::MediaTest {};

TEST_F(FileSizeLimit, TheProgramStartsUnderASmallLimit) {
    QTemporaryDir home;
    const std::string cmd = "cd '" + home.path().toStdString() + "' && ulimit -f 20000 && HOME=$PWD " +
                            "XDG_CONFIG_HOME=$PWD/config QT_QPA_PLATFORM=xcb exec '" PELTA_BUILD_DIR "/pelta-rx'";
    std::string sh = "/bin/sh", c = "-c", script = cmd;
    char* argv[] = {sh.data(), c.data(), script.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ), 0);
    // Its window appears once the devices (the sound server among them) are open.
    bool shown = false;
    int status = 0;
    for (int i = 0; i < 600 && !shown; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) break;
        shown = !pelta::test::CommandOutput("xdotool search --name '^Pelta-RX' 2>/dev/null").empty();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const bool alive = waitpid(pid, &status, WNOHANG) == 0;
    EXPECT_TRUE(alive) << "ended with " << (WIFSIGNALED(status) ? "signal " : "exit ")
                       << (WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
    EXPECT_TRUE(shown) << "no window";
    if (alive) {
        kill(pid, SIGTERM);
        pelta::test::WaitForExit(pid);
    }
}

}  // namespace
