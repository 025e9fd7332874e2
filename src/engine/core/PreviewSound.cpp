#include "engine/core/PreviewSound.h"

#include <pulse/error.h>
#include <pulse/simple.h>

namespace pelta::engine {

PreviewSound::PreviewSound(std::string sink, int sampleRate, int channels)
    : sink_(std::move(sink)), rate_(sampleRate), channels_(channels) {
    thread_ = std::thread([this] { Run(); });
}

PreviewSound::~PreviewSound() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void PreviewSound::Push(const int16_t* samples, int frames) {
    {
        std::lock_guard lock(mutex_);
        if (blocks_.size() >= kMaxBlocks) blocks_.pop_front();
        blocks_.emplace_back(samples, samples + size_t(frames) * size_t(channels_));
    }
    cv_.notify_one();
}

void PreviewSound::Run() {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = static_cast<uint32_t>(rate_);
    spec.channels = static_cast<uint8_t>(channels_);
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(rate_ * channels_ * 2 / 10);  // about 100 ms of latency
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    int error = 0;
    pa_simple* out = pa_simple_new(nullptr, "Pelta-RX", PA_STREAM_PLAYBACK, sink_.empty() ? nullptr : sink_.c_str(),
                                   "Preview", &spec, nullptr, &attr, &error);
    for (;;) {
        std::vector<int16_t> block;
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [&] { return stop_ || !blocks_.empty(); });
            if (stop_) break;
            block = std::move(blocks_.front());
            blocks_.pop_front();
        }
        // Without a server the blocks are simply consumed, so the queue never grows.
        if (out && pa_simple_write(out, block.data(), block.size() * sizeof(int16_t), &error) < 0) {
            pa_simple_free(out);
            out = nullptr;
        }
    }
    if (out) pa_simple_free(out);
}

}  // namespace pelta::engine
