// A hub double for the recorder's tests: a moving test picture and a sine on own threads,
// both paced by the steady clock. The sound card's clock may be set to run off the
// picture's (a real card's crystal is never exact): its samples are stamped at the nominal
// rate but delivered `soundClock` times as fast.
#pragma once

#include "engine/core/MediaHub.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

namespace pelta::test {

class RecordTestHub : public engine::MediaHub {
public:
    RecordTestHub(int w, int h, int fps, int rate) : w_(w), h_(h), fps_(fps), rate_(rate) {}
    ~RecordTestHub() override { Stop(); }
    // Before Start: e.g. 1.003 for a card that runs 0.3 % fast.
    void SetSoundClock(double ratio) { soundClock_ = ratio; }
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
    void AddListener(engine::FrameListener* l) override { std::lock_guard g(m_); listeners_.push_back(l); }
    void RemoveListener(engine::FrameListener* l) override {
        std::lock_guard g(m_);
        std::erase(listeners_, l);
    }
    bool HasVideo() const override { return true; }
    bool HasAudio() const override { return true; }
    engine::VideoFormat CurrentVideoFormat() const override {
        return {w_, h_, AV_PIX_FMT_BGR0, AVRational{fps_, 1}, AVRational{1, 1000000}};
    }
    engine::AudioFormat CurrentAudioFormat() const override { return {rate_, 2, AV_SAMPLE_FMT_S16}; }
    AVFrame* LatestVideoFrame() const override {
        std::lock_guard g(m_);
        return latest_ ? av_frame_clone(latest_) : nullptr;
    }

private:
    void VideoLoop() {
        auto t0 = std::chrono::steady_clock::now();
        for (int64_t n = 0; run_; ++n) {
            AVFrame* f = av_frame_alloc();
            f->format = AV_PIX_FMT_BGR0; f->width = w_; f->height = h_;
            av_frame_get_buffer(f, 0);
            for (int y = 0; y < h_; ++y)
                for (int x = 0; x < w_ * 4; ++x) f->data[0][y * f->linesize[0] + x] = uint8_t(x + y + n * 3);
            f->pts = n * 1000000 / fps_;
            {
                std::lock_guard g(m_);
                av_frame_free(&latest_);
                latest_ = av_frame_clone(f);
                for (auto* x : listeners_) x->OnVideoFrame(f, AVRational{1, 1000000});
            }
            av_frame_free(&f);
            std::this_thread::sleep_until(t0 + std::chrono::microseconds((n + 1) * 1000000 / fps_));
        }
        std::lock_guard g(m_);
        av_frame_free(&latest_);
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
            {
                std::lock_guard g(m_);
                for (auto* x : listeners_) x->OnAudioFrame(f, AVRational{1, rate_});
            }
            av_frame_free(&f);
            std::this_thread::sleep_until(
                t0 + std::chrono::microseconds(std::llround((n + 1) * block * 1e6 / (rate_ * soundClock_))));
        }
    }
    int w_, h_, fps_, rate_;
    double soundClock_ = 1.0;
    std::atomic<bool> run_{false};
    std::thread video_, audio_;
    mutable std::mutex m_;
    std::vector<engine::FrameListener*> listeners_;
    AVFrame* latest_ = nullptr;
};

}  // namespace pelta::test
