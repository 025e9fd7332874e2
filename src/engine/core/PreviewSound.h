// Plays the preview's sound through the chosen output of the sound server. The device
// threads hand blocks over without waiting; a full queue drops the oldest block, so a slow
// or missing server never holds up the devices or grows memory.
#pragma once

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
    // `sink` empty: the system's default output.
    PreviewSound(std::string sink, int sampleRate, int channels);
    ~PreviewSound();
    PreviewSound(const PreviewSound&) = delete;
    PreviewSound& operator=(const PreviewSound&) = delete;

    // Interleaved 16-bit samples.
    void Push(const int16_t* samples, int frames);

    const std::string& Sink() const { return sink_; }
    int SampleRate() const { return rate_; }
    int Channels() const { return channels_; }

    size_t Queued() {
        std::lock_guard lock(mutex_);
        return blocks_.size();
    }

    static constexpr size_t kMaxBlocks = 16;

private:
    void Run();

    std::string sink_;
    int rate_, channels_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::vector<int16_t>> blocks_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace pelta::engine
