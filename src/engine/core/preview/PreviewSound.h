// Plays the preview's sound through the chosen output of the sound server, never into an
// output whose sound comes back in the input being heard (its monitor, or through loopbacks
// and virtual devices): that would record the preview again and again. Which output that is
// (the chosen one, or the server's default, followed when it changes) and where the sound
// flows are asked of the server and asked again whenever it reports a change.
// The device threads hand blocks over without waiting; a full queue drops the oldest block,
// so a slow, frozen or missing server never holds up the devices or grows memory.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelta::engine {

class PreviewSound {
public:
    // `sink` empty: the server's default output. `heardSource`: the server input whose sound
    // this is (empty when it does not come from the server, e.g. the test tone). `state`, when
    // given, is where the state is kept, so that others read it without reaching this object.
    PreviewSound(std::string sink, std::string heardSource, int sampleRate, int channels,
                 std::atomic<int>* state = nullptr);
    ~PreviewSound();
    PreviewSound(const PreviewSound&) = delete;
    PreviewSound& operator=(const PreviewSound&) = delete;

    // Interleaved 16-bit samples.
    void Push(const int16_t* samples, int frames);

    enum class State {
        Starting,   // asking the server where the sound would go
        Playing,
        HeldBack,   // it would come back in the input heard: only the level is shown
        NoServer,   // no server answers (tried again every second)
    };
    State CurrentState() const { return State(state_.load()); }

    const std::string& Sink() const { return sink_; }
    const std::string& HeardSource() const { return source_; }
    int SampleRate() const { return rate_; }
    int Channels() const { return channels_; }

    size_t Queued() {
        std::lock_guard lock(mutex_);
        return blocks_.size();
    }

    static constexpr size_t kMaxBlocks = 16;

private:
    class Session;
    void Run();
    bool Stopping();
    // Takes the waiting blocks (all of them when `all`, else enough to fill `bytes`).
    std::vector<std::vector<int16_t>> Take(bool all, size_t bytes);

    std::string sink_, source_;
    int rate_, channels_;
    std::atomic<int> ownState_{int(State::Starting)};
    std::atomic<int>& state_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::vector<int16_t>> blocks_;
    bool stop_ = false;           // under mutex_
    std::atomic<bool> stopping_{false};  // the same, for the server's waits
    std::thread thread_;
};

}  // namespace pelta::engine
