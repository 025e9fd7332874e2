#include "engine/core/AvSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/time.h>
#include <libswscale/swscale.h>
}

namespace pelta::engine {

namespace {

std::string AvErrorText(int err) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return buf;
}

std::string Describe(const DeviceInfo& d, bool video) {
    return std::string(video ? "the video device \"" : "the audio device \"") + d.DisplayName + "\"";
}

}  // namespace

std::string AvSource::InputUrl(const DeviceInfo& d, SizeItem size) {
    switch (d.Kind) {
    case DeviceKind::Screen:
        return d.Url;
    case DeviceKind::TestPattern:
        // testsrc draws a moving pattern and a running counter, so no two frames are alike;
        // realtime paces it like a real device.
        return "testsrc=size=" + std::to_string(size.Width) + "x" + std::to_string(size.Height) +
               ":rate=30,realtime";
    case DeviceKind::TestTone:
        return "sine=frequency=440:sample_rate=48000,aformat=sample_fmts=s16:channel_layouts=stereo,arealtime";
    default:
        return d.Url;
    }
}

AvSource::AvSource(const DeviceInfo& device, SizeItem size, bool video, SourceCallbacks callbacks)
    : device_(device), size_(size), video_(video), callbacks_(std::move(callbacks)) {
    avdevice_register_all();
    const AVInputFormat* format = av_find_input_format(device.InputFormat.c_str());
    if (!format) throw EngineError("Cannot open " + Describe(device, video) + ": this build has no " +
                                   device.InputFormat + " input.");
    AVDictionary* options = nullptr;
    if (device.Kind == DeviceKind::Screen) {
        av_dict_set(&options, "video_size", (std::to_string(device.Width) + "x" + std::to_string(device.Height)).c_str(), 0);
        av_dict_set(&options, "framerate", "30", 0);
        av_dict_set(&options, "draw_mouse", "1", 0);
        av_dict_set(&options, "grab_x", std::to_string(device.X).c_str(), 0);
        av_dict_set(&options, "grab_y", std::to_string(device.Y).c_str(), 0);
    } else if (device.Kind == DeviceKind::Camera && size.Width > 0) {
        av_dict_set(&options, "video_size", (std::to_string(size.Width) + "x" + std::to_string(size.Height)).c_str(), 0);
    } else if (device.Kind == DeviceKind::Microphone) {
        av_dict_set(&options, "sample_rate", "48000", 0);
        av_dict_set(&options, "channels", "2", 0);
        av_dict_set(&options, "fragment_size", "7680", 0);  // 40 ms of 48 kHz stereo s16
    }
    AVDictionary* firstTry = nullptr;
    av_dict_copy(&firstTry, options, 0);
    input_ = avformat_alloc_context();
    input_->interrupt_callback.callback = &AvSource::Interrupt;
    input_->interrupt_callback.opaque = this;
    const std::string url = InputUrl(device, size);
    int err = avformat_open_input(&input_, url.c_str(), format, &firstTry);
    av_dict_free(&firstTry);
    // A display server that is busy may refuse a connection for a moment: try twice more.
    for (int attempt = 0; err < 0 && device.Kind == DeviceKind::Screen && attempt < 2; ++attempt) {
        av_usleep(150000);
        input_ = avformat_alloc_context();
        input_->interrupt_callback.callback = &AvSource::Interrupt;
        input_->interrupt_callback.opaque = this;
        AVDictionary* again = nullptr;
        av_dict_copy(&again, options, 0);
        err = avformat_open_input(&input_, url.c_str(), format, &again);
        av_dict_free(&again);
    }
    av_dict_free(&options);
    if (err < 0) {
        input_ = nullptr;
        throw EngineError("Cannot open " + Describe(device, video) + ": " + AvErrorText(err) + ".");
    }
    input_->probesize = 32 * 1024 * 1024;
    if ((err = avformat_find_stream_info(input_, nullptr)) < 0 ||
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
        videoFormat_.TimeBase = st->time_base;
    } else {
        audioFormat_.SampleRate = decoder_->sample_rate;
        audioFormat_.Channels = decoder_->ch_layout.nb_channels;
        audioFormat_.SampleFormat = decoder_->sample_fmt;
    }
    thread_ = std::thread([this] { Run(); });
}

AvSource::~AvSource() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    sws_freeContext(scaler_);
    av_frame_free(&scaled_);
    avcodec_free_context(&decoder_);
    avformat_close_input(&input_);
}

int AvSource::Interrupt(void* self) { return static_cast<AvSource*>(self)->stop_.load() ? 1 : 0; }

void AvSource::Deliver(AVFrame* frame) {
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
        out->pts = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
        if (callbacks_.Frame) callbacks_.Frame(out, input_->streams[streamIndex_]->time_base);
    } else {
        // Sound time comes from the samples counted, not from when they arrived.
        frame->pts = samplesSoFar_;
        samplesSoFar_ += frame->nb_samples;
        if (callbacks_.Frame) callbacks_.Frame(frame, AVRational{1, decoder_->sample_rate});
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
            if (!stop_) lostWhy = "Lost " + Describe(device_, video_) + ": " + AvErrorText(err) + ".";
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
    if (!lostWhy.empty() && callbacks_.Lost) callbacks_.Lost(lostWhy);
}

}  // namespace pelta::engine
