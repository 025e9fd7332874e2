// Child processes of a test: shell commands read back (ffprobe on a file among them), and
// this test program run again as the child that a test kills, stops or limits from outside.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace pelta::test {

// Runs `cmd` in the shell and gives all it wrote to standard output ("" if it could not run).
inline std::string CommandOutput(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[512];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

// What ffprobe reads from a file, as text: each stream's type, the frames it decoded and
// its duration.
struct FfprobeReport {
    std::string text;
    bool Has(const std::string& s) const { return text.find(s) != std::string::npos; }
    // The pictures decoded from the first video stream; -1 without one.
    long VideoFrames() const {
        const auto at = text.find("codec_type=video");
        const auto n = at == std::string::npos ? at : text.find("nb_read_frames=", at);
        return n == std::string::npos ? -1 : std::atol(text.c_str() + n + 15);
    }
};
inline FfprobeReport Ffprobe(const std::string& path) {
    return {CommandOutput("ffprobe -v error -count_frames -show_entries stream=codec_type,nb_read_frames,duration "
                          "-of compact '" + path + "' 2>&1")};
}

// Runs this test program again with one test and one more environment entry. Returns the
// child's pid, or -1.
inline pid_t SpawnTest(const std::string& filter, const std::string& env) {
    std::vector<std::string> envs;
    for (char** e = environ; *e; ++e) envs.emplace_back(*e);
    envs.push_back(env);
    std::vector<char*> envp;
    for (auto& e : envs) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe", arg = "--gtest_filter=" + filter;
    char* argv[] = {self.data(), arg.data(), nullptr};
    pid_t pid = 0;
    return posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()) == 0 ? pid : -1;
}

// Waits for the child to end; its wait status (0 for no child, a pid of -1).
inline int WaitForExit(pid_t pid) {
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
    return status;
}

}  // namespace pelta::test
