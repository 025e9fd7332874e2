// The preview's work off the window's thread: the devices offer pictures (a cheap decision,
// then a one-slot mailbox where the newest picture wins), the preview thread converts the
// one waiting (for the compressor tap encodes and decodes it first) and hands it to the
// window's side, which only wraps and draws it. The sound of the preview is metered and
// played on the sound device's own thread.
#pragma once

#include "engine/core/Guarded.h"
#include "engine/core/MediaHub.h"
#include "engine/core/preview/PreviewConverter.h"
#include "engine/core/preview/PreviewRect.h"
#include "engine/core/preview/PreviewSettings.h"
#include "engine/core/preview/PreviewSound.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace pelta::engine {

// What the preview shows and where: written on the window's thread, read on the devices'
// and the preview's.
struct PreviewView {
    std::atomic<bool> On{false};
    std::atomic<int32_t> Fit{2};    // PreviewFit
    std::atomic<int32_t> Input{0};  // 0 video and audio, 1 video only, 2 audio only
    std::atomic<int32_t> Tap{0};    // 0 source, 1 processors, 2 compressor
    std::atomic<int> SurfaceW{0}, SurfaceH{0};  // physical pixels
    std::atomic<bool> SurfaceShown{false};      // the window is shown and not minimised
    std::atomic<bool> FullScreenShown{false};
    std::atomic<bool> PausedByDialog{false};
    std::atomic<uint64_t> Generation{0};  // bumped whenever the drawn picture must change
    // Whether a picture offered now would be seen at all.
    bool WillShow() const {
        return On && !PausedByDialog && Input != 2 && SurfaceW > 0 && SurfaceH > 0 && (FullScreenShown || SurfaceShown);
    }
};

class PreviewPipeline;

// A converted picture on its way to the window.
struct ShownPicture {
    PreviewPipeline* From = nullptr;
    PreviewPicture Picture;
    PictureRect Rect;   // where the whole picture lands
    PictureRect Dirty;  // what must be drawn again
    uint64_t Generation = 0, DeviceEpoch = 0;
};

class PreviewPipeline final : public FrameListener {
public:
    struct Hooks {
        // The compressor tap: the picture encoded and decoded again (nullptr: shown as is).
        std::function<AVFrame*(const AVFrame*)> Compress;
        // Pictures a second shown at most now (0: every picture).
        std::function<int()> RateCap;
        // Takes a converted picture for the window; false when it came too late for it.
        std::function<bool(ShownPicture&)> Show;
        // Where the picture shown now lies.
        std::function<PictureRect()> ShownRect;
        // The window should be drawn again (the sound meter moved).
        std::function<void()> Repaint;
        // Where the preview's sound is played, and the server input it is heard from.
        std::function<std::pair<std::string, std::string>()> SoundRoute;
        // Whether the processors change the pictures (they are then never "unchanged").
        std::function<bool()> ProcessorsActive;
    };
    PreviewPipeline(PreviewView& view, Hooks hooks);
    ~PreviewPipeline() override;
    PreviewPipeline(const PreviewPipeline&) = delete;
    PreviewPipeline& operator=(const PreviewPipeline&) = delete;

    PreviewSettings Settings() const { return settings_.Get(); }
    void SetSettings(const PreviewSettings& s) { settings_.Set(s); }
    // The video device changed: a picture of the old one waiting or being converted is dropped.
    void DropWaiting();
    bool CurrentEpoch(uint64_t epoch) { return mailbox_.Lock()->DeviceEpoch == epoch; }
    // The window took the picture: counted (under the window's picture lock, so that nothing
    // counts once the preview is paused) and known to be current.
    void Took(const ShownPicture& shown) {
        convertedGeneration_ = shown.Generation;
        ++shown_;
    }

    double SoundLevel() const { return level_.load(); }
    PreviewSound::State SoundState() const { return PreviewSound::State(soundState_.load()); }
    int64_t Shown() const { return shown_.load(); }
    int64_t Skipped() const { return skipped_.load(); }
    int64_t Compressed() const { return compressed_.load(); }

    // FrameListener, on the devices' threads.
    void OnSourceVideoFrame(const AVFrame* frame, AVRational timeBase) override;
    void OnVideoFrame(const AVFrame* frame, AVRational timeBase) override;
    void OnAudioFrame(const AVFrame* frame, AVRational timeBase) override;
    void OnSourceLost(bool video, const std::string& why) override;

private:
    void Offer(const AVFrame* frame, bool mayBeUnchanged, bool compress);
    void Loop();
    void Present(const AVFrame* frame, bool mayBeUnchanged, uint64_t deviceEpoch);

    PreviewView& view_;
    Hooks hooks_;
    Guarded<PreviewSettings> settings_;

    // The newest picture offered and not yet taken. A newer picture replaces it, so the
    // device never waits for the preview.
    struct Mailbox {
        AVFrame* Picture = nullptr;
        bool MayBeUnchanged = false;
        bool Compress = false;
        bool Stop = false;
        // Device thread's pacing: when the rate cap lets the next picture through, and
        // whether a changed picture was held back since the last one shown.
        std::chrono::steady_clock::time_point NextShow{};
        bool MissedChange = false;
        uint64_t DeviceEpoch = 0;  // bumped when the video device changes: older pictures are not shown
    };
    Guarded<Mailbox> mailbox_;
    std::condition_variable mailboxCv_;
    PreviewConverter converter_;                  // preview thread only
    std::atomic<uint64_t> convertedGeneration_{~0ull};
    std::atomic<int64_t> shown_{0}, skipped_{0}, compressed_{0};

    // The sound device's thread only (one at a time: each is closed before the next opens).
    std::unique_ptr<PreviewSound> sound_;
    std::atomic<int> soundState_{int(PreviewSound::State::Starting)};  // kept by sound_ itself
    std::atomic<double> level_{0.0};

    std::thread thread_;
};

}  // namespace pelta::engine
