// Reads a capture file's sound back and measures its level: RMS in dB of full scale over
// the samples from `fromSeconds` on (all channels), decoded with libavcodec.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cmath>
#include <string>

namespace pelta::test {

struct SoundMeasure {
    bool ok = false;
    double seconds = 0;  // decoded sound, all of it
    double rmsDb = -200; // of the measured part; -200 for digital silence
};

inline SoundMeasure MeasureSound(const std::string& path, double fromSeconds = 0, double toSeconds = 1e9) {
    SoundMeasure m;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return m;
    const AVCodec* codec = nullptr;
    const int stream = avformat_find_stream_info(fmt, nullptr) >= 0
                           ? av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0)
                           : -1;
    AVCodecContext* dec = stream >= 0 && codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!dec || avcodec_parameters_to_context(dec, fmt->streams[stream]->codecpar) < 0 ||
        avcodec_open2(dec, codec, nullptr) < 0) {
        avcodec_free_context(&dec);
        avformat_close_input(&fmt);
        return m;
    }
    AVPacket* pkt = av_packet_alloc();
    AVFrame* f = av_frame_alloc();
    double sum = 0;
    int64_t counted = 0, samples = 0;
    const int rate = dec->sample_rate;
    auto take = [&] {
        const int ch = f->ch_layout.nb_channels;
        for (int i = 0; i < f->nb_samples; ++i, ++samples) {
            const double t = double(samples) / rate;
            for (int c = 0; c < ch; ++c) {
                double v = 0;
                switch (f->format) {
                case AV_SAMPLE_FMT_S16: v = reinterpret_cast<const int16_t*>(f->data[0])[i * ch + c] / 32768.0; break;
                case AV_SAMPLE_FMT_S16P: v = reinterpret_cast<const int16_t*>(f->data[c])[i] / 32768.0; break;
                case AV_SAMPLE_FMT_FLT: v = reinterpret_cast<const float*>(f->data[0])[i * ch + c]; break;
                case AV_SAMPLE_FMT_FLTP: v = reinterpret_cast<const float*>(f->data[c])[i]; break;
                default: break;
                }
                if (t >= fromSeconds && t < toSeconds) {
                    sum += v * v;
                    ++counted;
                }
            }
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == stream && avcodec_send_packet(dec, pkt) >= 0)
            while (avcodec_receive_frame(dec, f) >= 0) take();
        av_packet_unref(pkt);
    }
    avcodec_send_packet(dec, nullptr);
    while (avcodec_receive_frame(dec, f) >= 0) take();
    m.ok = rate > 0;
    m.seconds = rate > 0 ? double(samples) / rate : 0;
    if (counted > 0 && sum > 0) m.rmsDb = 10 * std::log10(sum / double(counted));
    av_frame_free(&f);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    return m;
}

}  // namespace pelta::test
