// A hub double for the recorder's tests: a moving test picture and a sine on own threads,
// both paced by the steady clock. The sound card's clock may be set to run off the
// picture's (a real card's crystal is never exact): its samples are stamped at the nominal
// rate but delivered `soundClock` times as fast. Each picture carries its number in its
// top left corner (see PictureNumber), and the device can be told to skip pictures, as a
// camera does when it cannot keep up.
#pragma once

#include "engine/core/MediaHub.h"
#include "support/Processes.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelta::test {

// A picture's number as 16 blocks of 4x4 pixels along its top, white for a one bit.
inline void StampNumber(uint8_t* row0, int linesize, int bytesPerPixel, int64_t n) {
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64 * bytesPerPixel; ++x) row0[y * linesize + x] = (n >> (x / bytesPerPixel / 4)) & 1 ? 255 : 0;
}
inline int64_t PictureNumber(const uint8_t* row0, int linesize, int bytesPerPixel) {
    int64_t n = 0;
    for (int bit = 0; bit < 16; ++bit)
        if (row0[linesize + (bit * 4 + 2) * bytesPerPixel] > 128) n |= int64_t(1) << bit;
    return n;
}

// What the test hubs share: their listeners, the newest picture and handing frames out.
class TestHubBase : public engine::MediaHub {
public:
    ~TestHubBase() override {
        std::lock_guard g(m_);
        av_frame_free(&latest_);
    }
    void AddListener(engine::FrameListener* l) override { std::lock_guard g(m_); listeners_.push_back(l); }
    void RemoveListener(engine::FrameListener* l) override {
        std::lock_guard g(m_);
        std::erase(listeners_, l);
    }
    AVFrame* LatestVideoFrame() const override {
        std::lock_guard g(m_);
        return latest_ ? av_frame_clone(latest_) : nullptr;
    }

protected:
    // Keeps `f` as the newest picture and hands it to every listener.
    void PublishVideo(const AVFrame* f, AVRational tb) {
        std::lock_guard g(m_);
        av_frame_free(&latest_);
        latest_ = av_frame_clone(f);
        for (auto* x : listeners_) x->OnVideoFrame(f, tb);
    }
    void PublishAudio(const AVFrame* f, AVRational tb) {
        std::lock_guard g(m_);
        for (auto* x : listeners_) x->OnAudioFrame(f, tb);
    }
    void DropLatest() {
        std::lock_guard g(m_);
        av_frame_free(&latest_);
    }
    mutable std::mutex m_;
    std::vector<engine::FrameListener*> listeners_;
    AVFrame* latest_ = nullptr;
};

class RecordTestHub : public TestHubBase {
public:
    RecordTestHub(int w, int h, int fps, int rate) : w_(w), h_(h), fps_(fps), rate_(rate) {}
    ~RecordTestHub() override { Stop(); }
    // Before Start: e.g. 1.003 for a card that runs 0.3 % fast.
    void SetSoundClock(double ratio) { soundClock_ = ratio; }
    // The next `count` pictures are not delivered (their time passes as usual).
    void Skip(int count) { skip_ += count; }
    // Pictures keep the clock's time when the hub falls behind (a busy machine), as a real
    // device's do: the late ones are skipped instead of delivered with stale times.
    void FollowClock() { followClock_ = true; }
    // The first picture a listener gets is followed by `count` skipped ones (a device that
    // missed its next pictures while the listener took long over the first).
    void GapAfterFirstListened(int count) { gapAfterListened_ = count; }
    int64_t FirstListened() const { return firstListened_; }
    void AddListener(engine::FrameListener* l) override {
        TestHubBase::AddListener(l);
        listened_ = true;
    }
    void Start() {
        run_ = true;
        video_ = std::thread([this] { VideoLoop(); });
        audio_ = std::thread([this] { AudioLoop(); });
    }
    void Stop() {
        run_ = false;
        if (video_.joinable()) video_.join();
        if (audio_.joinable()) audio_.join();
    }
    void LoseVideo() {
        std::lock_guard l(m_);
        for (auto* x : listeners_) x->OnSourceLost(true, "test pattern");
    }
    bool HasVideo() const override { return true; }
    bool HasAudio() const override { return true; }
    engine::VideoFormat CurrentVideoFormat() const override {
        return {w_, h_, AV_PIX_FMT_BGR0, AVRational{fps_, 1}, AVRational{1, 1000000}};
    }
    engine::AudioFormat CurrentAudioFormat() const override { return {rate_, 2, AV_SAMPLE_FMT_S16}; }

private:
    void VideoLoop() {
        auto t0 = std::chrono::steady_clock::now();
        for (int64_t n = 0; run_; ++n) {
            if (skip_ > 0) {
                --skip_;
                std::this_thread::sleep_until(t0 + std::chrono::microseconds((n + 1) * 1000000 / fps_));
                continue;
            }
            AVFrame* f = av_frame_alloc();
            const int w = w_, h = h_;
            f->format = AV_PIX_FMT_BGR0; f->width = w; f->height = h;
            av_frame_get_buffer(f, 0);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w * 4; ++x) f->data[0][y * f->linesize[0] + x] = uint8_t(x + y + n * 3);
            StampNumber(f->data[0], f->linesize[0], 4, n);
            f->pts = n * 1000000 / fps_;
            const bool delivered = listened_;  // a listener added during the publish missed this one
            PublishVideo(f, AVRational{1, 1000000});
            av_frame_free(&f);
            if (delivered && firstListened_ < 0) {
                firstListened_ = n;
                skip_ += gapAfterListened_;
            }
            std::this_thread::sleep_until(t0 + std::chrono::microseconds((n + 1) * 1000000 / fps_));
            if (followClock_) {
                const auto late = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0);
                n = std::max<int64_t>(n, late.count() * fps_ / 1000000 - 1);
            }
        }
        DropLatest();
    }
    void AudioLoop() {
        auto t0 = std::chrono::steady_clock::now();
        const int block = 1024;
        for (int64_t n = 0; run_; ++n) {
            AVFrame* f = av_frame_alloc();
            f->format = AV_SAMPLE_FMT_S16; f->nb_samples = block; f->sample_rate = rate_;
            av_channel_layout_default(&f->ch_layout, 2);
            av_frame_get_buffer(f, 0);
            auto* s = reinterpret_cast<int16_t*>(f->data[0]);
            for (int i = 0; i < block; ++i)
                s[2 * i] = s[2 * i + 1] = int16_t(8000 * std::sin(2 * M_PI * 440 * double(n * block + i) / rate_));
            f->pts = n * block;
            PublishAudio(f, AVRational{1, rate_});
            av_frame_free(&f);
            std::this_thread::sleep_until(
                t0 + std::chrono::microseconds(std::llround((n + 1) * block * 1e6 / (rate_ * soundClock_))));
        }
    }
    int w_, h_, fps_, rate_;
    double soundClock_ = 1.0;
    std::atomic<int> skip_{0};
    std::atomic<bool> followClock_{false};
    std::atomic<bool> listened_{false};
    std::atomic<int64_t> firstListened_{-1};
    int gapAfterListened_ = 0;
    std::atomic<bool> run_{false};
    std::thread video_, audio_;
};

// The events a capture posts, from any thread.
struct RecordEvents {
    std::mutex m;
    std::condition_variable cv;
    int ended = 0, progress = 0;
    std::vector<int> errors;
    engine::EngineEventPoster Poster() {
        return [this](engine::EngineEventKind k, int32_t v) {
            std::lock_guard l(m);
            if (k == engine::EngineEventKind::CaptureEnded) ++ended;
            else if (k == engine::EngineEventKind::CaptureProgress) ++progress;
            else errors.push_back(v);
            cv.notify_all();
        };
    }
    bool WaitEnded(int s) {
        std::unique_lock l(m);
        return cv.wait_for(l, std::chrono::seconds(s), [&] { return ended > 0; });
    }
};

}  // namespace pelta::test
