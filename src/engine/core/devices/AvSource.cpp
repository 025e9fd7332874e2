#include "engine/core/devices/AvSource.h"

#include "engine/core/devices/wayland/PortalScreenSource.h"
#include "engine/core/devices/ScreenDamage.h"
#include "engine/core/devices/SoundServer.h"
#include "engine/core/devices/X11ScreenGrab.h"
#include "engine/core/ffmpeg/OnDemandLibraries.h"

#include <algorithm>
#include <cstring>
#include <pthread.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/time.h>
#include <libswscale/swscale.h>
}

namespace pelta::engine {

namespace {

std::string Describe(const DeviceInfo& d, bool video) {
    return std::string(video ? "the video device \"" : "the audio device \"") + d.DisplayName + "\"";
}

// How long opening a sound server input may take, and how often a lost one is tried again.
constexpr auto kServerOpenTimeout = std::chrono::milliseconds(1500);
constexpr auto kServerRetryEvery = std::chrono::milliseconds(1000);

// The part of a screen device that is grabbed: a region inside it, or all of it, in even
// sizes (encoders of 4:2:0 pictures want them), relative to the device's own top left.
struct ScreenArea {
    int X = 0, Y = 0, Width = 0, Height = 0;
};
ScreenArea AreaOf(const DeviceInfo& device, const VideoSourceSettings& vs) {
    ScreenArea a{0, 0, device.Width, device.Height};
    if (vs.RegionWidth > 0 && vs.RegionHeight > 0) {
        a.Width = std::min(vs.RegionWidth, device.Width);
        a.Height = std::min(vs.RegionHeight, device.Height);
        a.X = std::clamp(vs.RegionX, 0, device.Width - a.Width);
        a.Y = std::clamp(vs.RegionY, 0, device.Height - a.Height);
    }
    a.Width &= ~1;
    a.Height &= ~1;
    return a;
}

}  // namespace

int AvSource::OpenRate(const DeviceInfo& d, const VideoSourceSettings& v) {
    if (v.FrameRate > 0) return std::clamp(v.FrameRate, 1, 240);
    return d.Kind == DeviceKind::Camera ? 0 : 30;
}

std::string AvSource::InputUrl(const DeviceInfo& d, SizeItem size, const VideoSourceSettings& v,
                               const AudioSourceSettings& a) {
    switch (d.Kind) {
    case DeviceKind::Screen:
        return d.Url;
    case DeviceKind::TestPattern: {
        // The default testsrc draws a moving pattern and a running counter, so no two frames
        // are alike; realtime paces it like a real device.
        std::string pattern = "testsrc";
        for (const auto& p : TestPatterns())
            if (p.first == v.Pattern) pattern = p.first;
        return pattern + "=size=" + std::to_string(size.Width) + "x" + std::to_string(size.Height) +
               ":rate=" + std::to_string(OpenRate(d, v)) + ",realtime";
    }
    case DeviceKind::TestTone:
        return "sine=frequency=440:sample_rate=" + std::to_string(std::clamp(a.SampleRate, 8000, 192000)) +
               ",aformat=sample_fmts=s16:channel_layouts=" + (a.Channels == 1 ? "mono" : "stereo") + ",arealtime";
    default:
        return d.Url;
    }
}

AvSource::AvSource(const DeviceInfo& device, SizeItem size, bool video, SourceCallbacks callbacks,
                   const VideoSourceSettings& vs, const AudioSourceSettings& as)
    : device_(device), size_(size), video_(video), callbacks_(std::move(callbacks)) {
    lastDelivery_ = Clock::now().time_since_epoch().count();
    if (device.InputFormat == kPortalInput) {
        // The portal's pictures pass through here too, so the stall watch and the lost
        // state cover a Wayland screen like any other device.
        SourceCallbacks tracked;
        tracked.Frame = [this](const AVFrame* f, AVRational tb) {
            NoteDelivery();
            if (callbacks_.Frame) callbacks_.Frame(f, tb);
        };
        tracked.Lost = [this](const std::string& why) { MarkLost(why); };
        portal_ = std::make_unique<PortalScreenSource>(device, size, vs, std::move(tracked));
        videoFormat_ = portal_->Format();
        return;
    }
    if (!video && device.Kind == DeviceKind::Microphone && device.InputFormat == "pulse") {
        // Read through libpulse directly: every wait is bounded, so a frozen server is
        // noticed and closing never hangs, and the input reconnects when the server is back.
        sampleRate_ = std::clamp(as.SampleRate, 8000, 192000);
        audioFormat_ = {sampleRate_, std::clamp(as.Channels, 1, 2), AV_SAMPLE_FMT_S16};
        recording_ = std::make_unique<SoundServerRecording>(device.Url, sampleRate_, audioFormat_.Channels);
        std::string why;
        if (!recording_->Open(Clock::now() + kServerOpenTimeout, why))
            throw EngineError("Cannot open " + Describe(device, video) + ": " + why + ".");
        viaServer_ = true;
        lastDelivery_ = Clock::now().time_since_epoch().count();
        thread_ = std::thread([this] {
            pthread_setname_np(pthread_self(), "sound in");
            RunRecording();
        });
        return;
    }
    if (device.Kind == DeviceKind::Screen && device.InputFormat == "x11grab" && OpenScreen(vs)) return;
    std::string noDevices;
    if (ffmpeg::AvDevice(&noDevices) == nullptr)
        throw EngineError("Cannot open " + Describe(device, video) + ": libavdevice is not available (" + noDevices + ").");
    const AVInputFormat* format = av_find_input_format(device.InputFormat.c_str());
    if (!format) throw EngineError("Cannot open " + Describe(device, video) + ": this build has no " +
                                   device.InputFormat + " input.");
    AVDictionary* options = nullptr;
    const int rate = OpenRate(device, vs);
    if (device.Kind == DeviceKind::Screen) {
        const ScreenArea area = AreaOf(device, vs);
        const int rx = area.X, ry = area.Y, rw = area.Width, rh = area.Height;
        av_dict_set(&options, "video_size", (std::to_string(rw) + "x" + std::to_string(rh)).c_str(), 0);
        av_dict_set(&options, "framerate", std::to_string(rate).c_str(), 0);
        av_dict_set(&options, "draw_mouse", vs.DrawCursor ? "1" : "0", 0);
        av_dict_set(&options, "grab_x", std::to_string(device.X + rx).c_str(), 0);
        av_dict_set(&options, "grab_y", std::to_string(device.Y + ry).c_str(), 0);
        if (vs.FollowMouse) av_dict_set(&options, "follow_mouse", "centered", 0);
        else damage_ = std::make_unique<ScreenDamage>(device.Url, device.X + rx, device.Y + ry, rw, rh);
    } else if (device.Kind == DeviceKind::Camera) {
        if (size.Width > 0)
            av_dict_set(&options, "video_size", (std::to_string(size.Width) + "x" + std::to_string(size.Height)).c_str(), 0);
        if (rate > 0) av_dict_set(&options, "framerate", std::to_string(rate).c_str(), 0);
        if (!vs.InputFormat.empty()) av_dict_set(&options, "input_format", vs.InputFormat.c_str(), 0);
    } else if (device.Kind == DeviceKind::Microphone) {
        const int sampleRate = std::clamp(as.SampleRate, 8000, 192000);
        const int channels = std::clamp(as.Channels, 1, 2);
        av_dict_set(&options, "sample_rate", std::to_string(sampleRate).c_str(), 0);
        av_dict_set(&options, "channels", std::to_string(channels).c_str(), 0);
        // About 40 ms a packet.
        av_dict_set(&options, "fragment_size", std::to_string(sampleRate / 25 * channels * 2).c_str(), 0);
    }
    const std::string url = InputUrl(device, size, vs, as);
    int err = 0;
    // A display server that is busy may refuse a connection for a moment: screens get
    // two more tries.
    const int attempts = device.Kind == DeviceKind::Screen ? 3 : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0) av_usleep(150000);
        input_ = avformat_alloc_context();
        input_->interrupt_callback.callback = &AvSource::Interrupt;
        input_->interrupt_callback.opaque = this;
        AVDictionary* tryOptions = nullptr;
        av_dict_copy(&tryOptions, options, 0);
        err = avformat_open_input(&input_, url.c_str(), format, &tryOptions);  // frees input_ on failure
        av_dict_free(&tryOptions);
        if (err >= 0) break;
    }
    av_dict_free(&options);
    if (err < 0) {
        input_ = nullptr;
        throw EngineError("Cannot open " + Describe(device, video) + ": " + AvError(err) + ".");
    }
    // Screens, the built-ins and sound inputs describe their stream fully when opened;
    // probing would read (and wait for) pictures on the UI thread. Cameras may deliver
    // compressed pictures whose format only probing tells.
    input_->probesize = 32 * 1024 * 1024;
    const bool probe = device.Kind == DeviceKind::Camera;
    if ((probe && (err = avformat_find_stream_info(input_, nullptr)) < 0) ||
        (streamIndex_ = av_find_best_stream(input_, video ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO, -1, -1,
                                            nullptr, 0)) < 0) {
        avformat_close_input(&input_);
        throw EngineError("Cannot open " + Describe(device, video) + ": it delivers no " +
                          (video ? "pictures." : "sound."));
    }
    AVStream* st = input_->streams[streamIndex_];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    decoder_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!decoder_ || avcodec_parameters_to_context(decoder_, st->codecpar) < 0 ||
        avcodec_open2(decoder_, codec, nullptr) < 0) {
        avcodec_free_context(&decoder_);
        avformat_close_input(&input_);
        throw EngineError("Cannot open " + Describe(device, video) + ": no decoder for its format.");
    }
    if (video) {
        videoFormat_.Width = size.Width > 0 ? size.Width : decoder_->width;
        videoFormat_.Height = size.Height > 0 ? size.Height : decoder_->height;
        videoFormat_.PixelFormat = decoder_->pix_fmt;
        videoFormat_.FrameRate = st->avg_frame_rate.num ? st->avg_frame_rate : st->r_frame_rate;
        // Unprobed built-ins do not state their rate; it is the one they were opened at.
        if (videoFormat_.FrameRate.num <= 0 || videoFormat_.FrameRate.den <= 0) {
            const int opened = OpenRate(device, vs);
            videoFormat_.FrameRate = opened > 0 ? AVRational{opened, 1} : AVRational{0, 1};
        }
        videoFormat_.TimeBase = st->time_base;
    } else {
        sampleRate_ = decoder_->sample_rate;
        audioFormat_.SampleRate = decoder_->sample_rate;
        audioFormat_.Channels = decoder_->ch_layout.nb_channels;
        audioFormat_.SampleFormat = decoder_->sample_fmt;
    }
    lastDelivery_ = Clock::now().time_since_epoch().count();
    thread_ = std::thread([this] {
        // Named, so that the CPU of each thread can be told apart (top -H, the benchmarks).
        pthread_setname_np(pthread_self(), video_ ? "video in" : "sound in");
        Run();
    });
}

// The screen through the engine's own grabber, which needs no libavdevice (and none of the
// libraries it links); false where it cannot grab this display, which libavdevice then reads.
bool AvSource::OpenScreen(const VideoSourceSettings& vs) {
    const ScreenArea area = AreaOf(device_, vs);
    X11ScreenGrab::Options options;
    options.Rate = OpenRate(device_, vs);
    options.DrawCursor = vs.DrawCursor;
    options.FollowMouse = vs.FollowMouse;
    std::string why;
    grab_ = X11ScreenGrab::Open({device_.Url, device_.X + area.X, device_.Y + area.Y, area.Width, area.Height},
                                options, why);
    if (!grab_) return false;
    if (!vs.FollowMouse)
        damage_ = std::make_unique<ScreenDamage>(device_.Url, device_.X + area.X, device_.Y + area.Y, area.Width,
                                                 area.Height);
    videoFormat_.Width = size_.Width > 0 ? size_.Width : area.Width;
    videoFormat_.Height = size_.Height > 0 ? size_.Height : area.Height;
    videoFormat_.PixelFormat = grab_->PixelFormat();
    videoFormat_.FrameRate = AVRational{options.Rate, 1};
    videoFormat_.TimeBase = grab_->TimeBase();
    lastDelivery_ = Clock::now().time_since_epoch().count();
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "video in");
        RunScreen();
    });
    return true;
}

void AvSource::RunScreen() {
    AVFrame* frame = av_frame_alloc();
    std::string lostWhy;
    while (frame != nullptr && !stop_) {
        std::string why;
        const int err = grab_->Grab(frame, stop_, why);
        if (err == AVERROR_EXIT) break;
        if (err < 0) {
            if (!stop_) lostWhy = "Lost " + Describe(device_, video_) + ": " + (why.empty() ? AvError(err) : why) + ".";
            break;
        }
        Deliver(frame);
        av_frame_unref(frame);
    }
    av_frame_free(&frame);
    if (!lostWhy.empty()) MarkLost(lostWhy);
}

AvSource::~AvSource() {
    stop_ = true;
    portal_.reset();
    if (thread_.joinable()) thread_.join();
    grab_.reset();
    damage_.reset();
    recording_.reset();
    av_frame_free(&block_);
    sws_freeContext(scaler_);
    av_frame_free(&scaled_);
    avcodec_free_context(&decoder_);
    avformat_close_input(&input_);
}

void AvSource::MarkLost(const std::string& why) {
    if (lost_.exchange(true)) return;
    {
        std::lock_guard lock(lostMutex_);
        lostWhy_ = why;
    }
    if (callbacks_.Lost) callbacks_.Lost(why);
}

std::string AvSource::StalledText() const {
    return "Lost " + Describe(device_, video_) + ": it delivered nothing for " + std::to_string(kStallLimit.count()) +
           " seconds.";
}

void AvSource::CheckStall(Clock::time_point now) {
    // A desktop portal source may be waiting for the user to choose what to share; it is
    // watched from its first picture on, and a refusal arrives as its own loss.
    if (portal_ && !delivered_) return;
    if (!lost_ && now - LastDelivery() > kStallLimit) MarkLost(StalledText());
}

int AvSource::Interrupt(void* self) { return static_cast<AvSource*>(self)->stop_.load() ? 1 : 0; }

void AvSource::NoteDelivery() {
    lastDelivery_ = Clock::now().time_since_epoch().count();
    delivered_ = true;
    lost_ = false;
}

void AvSource::Deliver(AVFrame* frame) {
    NoteDelivery();
    if (video_) {
        AVFrame* out = frame;
        if (frame->width != videoFormat_.Width || frame->height != videoFormat_.Height) {
            const auto fmt = static_cast<AVPixelFormat>(frame->format);
            scaler_ = sws_getCachedContext(scaler_, frame->width, frame->height, fmt, videoFormat_.Width,
                                           videoFormat_.Height, fmt, SWS_BILINEAR, nullptr, nullptr, nullptr);
            if (!scaler_) return;
            if (!scaled_) scaled_ = av_frame_alloc();
            av_frame_unref(scaled_);
            scaled_->format = fmt;
            scaled_->width = videoFormat_.Width;
            scaled_->height = videoFormat_.Height;
            if (av_frame_get_buffer(scaled_, 0) < 0) return;
            sws_scale(scaler_, frame->data, frame->linesize, 0, frame->height, scaled_->data, scaled_->linesize);
            av_frame_copy_props(scaled_, frame);
            out = scaled_;
        }
        if (damage_) {
            // Damage is asked for after the grab, so what was drawn between the grab and the
            // question belongs to the next picture too: each picture carries the changes of
            // two questions.
            ScreenDamage::Area area;
            const bool changedNow = damage_->TakeChanged(&area);
            const ChangedArea now{area.X, area.Y, area.Width, area.Height};
            if (changedNow || changedBefore_) {
                MarkUnchanged(out, false);
                if (out == frame)
                    SetChangedArea(out, !changedBefore_ ? now : !changedNow ? areaBefore_ : United(now, areaBefore_));
            } else {
                MarkUnchanged(out, true);
            }
            changedBefore_ = changedNow;
            areaBefore_ = now;
        }
        out->pts = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
        if (callbacks_.Frame) callbacks_.Frame(out, videoFormat_.TimeBase);
    } else {
        // Sound time comes from the samples counted, not from when they arrived.
        frame->pts = samplesSoFar_;
        samplesSoFar_ += frame->nb_samples;
        if (callbacks_.Frame) callbacks_.Frame(frame, AVRational{1, sampleRate_});
    }
}

void AvSource::Run() {
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::string lostWhy;
    while (!stop_) {
        const int err = av_read_frame(input_, packet);
        if (err == AVERROR(EAGAIN)) {
            av_usleep(2000);
            continue;
        }
        if (err < 0) {
            if (!stop_) lostWhy = "Lost " + Describe(device_, video_) + ": " + AvError(err) + ".";
            break;
        }
        if (packet->stream_index == streamIndex_ && avcodec_send_packet(decoder_, packet) >= 0) {
            while (avcodec_receive_frame(decoder_, frame) >= 0) {
                Deliver(frame);
                av_frame_unref(frame);
            }
        }
        av_packet_unref(packet);
    }
    av_frame_free(&frame);
    av_packet_free(&packet);
    if (!lostWhy.empty()) MarkLost(lostWhy);
}

void AvSource::DeliverSamples(const int16_t* samples, int frames) {
    if (frames <= 0) return;
    if (!samples) {  // a gap the server reported: time goes on
        samplesSoFar_ += frames;
        return;
    }
    if (!block_) block_ = av_frame_alloc();
    av_frame_unref(block_);
    block_->format = AV_SAMPLE_FMT_S16;
    block_->sample_rate = sampleRate_;
    block_->nb_samples = frames;
    av_channel_layout_default(&block_->ch_layout, audioFormat_.Channels);
    if (av_frame_get_buffer(block_, 0) < 0) return;
    std::memcpy(block_->data[0], samples, size_t(frames) * size_t(audioFormat_.Channels) * 2);
    Deliver(block_);
}

void AvSource::RunRecording() {
    auto lastData = Clock::now();
    auto nextTry = lastData;
    while (!stop_) {
        if (!recording_) {
            // Lost: the server is asked again now and then until it answers.
            if (Clock::now() < nextTry && !reviveNow_.exchange(false)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                continue;
            }
            nextTry = Clock::now() + kServerRetryEvery;
            auto fresh = std::make_unique<SoundServerRecording>(device_.Url, sampleRate_, audioFormat_.Channels);
            // A request to try at once also ends a try that waits on a server that was frozen.
            fresh->SetAbort([this] { return stop_.load() || reviveNow_.load(); });
            std::string why;
            if (!fresh->Open(Clock::now() + kServerOpenTimeout, why)) continue;
            recording_ = std::move(fresh);
            lastData = Clock::now();
            continue;
        }
        bool got = false;
        const bool alive = recording_->Read(std::chrono::milliseconds(50), [&](const int16_t* s, int frames) {
            got = true;
            DeliverSamples(s, frames);
        });
        const auto now = Clock::now();
        if (got) lastData = now;
        if (!alive) {
            MarkLost("Lost " + Describe(device_, video_) + ": " + recording_->LastError() + ".");
        } else if (now - lastData > kStallLimit) {
            MarkLost(StalledText());
        } else {
            continue;
        }
        recording_.reset();
        nextTry = now + kServerRetryEvery;
    }
}

}  // namespace pelta::engine
