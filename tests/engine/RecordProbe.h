// Reads a capture file back with libavformat: its streams, every packet to the end, and
// where each track ends.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace pelta::test {

struct Probe {
    bool ok = false;            // opened and its streams understood
    bool readToEnd = false;     // packets were read until end of file, not until an error
    int streams = 0, videoStreams = 0, audioStreams = 0;
    std::string videoCodec, audioCodec;
    int width = 0, height = 0, sampleRate = 0;
    AVRational videoRate{0, 1};  // the video stream's frame rate as the file states it
    int64_t videoFrames = 0;     // video packets holding a picture
    int64_t videoChunks = 0;     // every video packet, empty ones (the picture held) too
    int64_t bytesRead = 0;       // payload of all packets
    double duration = 0;         // of the whole file, as the demuxer reports it
    double videoEnd = 0;         // seconds where the last video packet read ends
    double audioEnd = 0;         // seconds where the last audio packet read ends
    // Track lengths the file states (AVI: frames in the stream header, empty chunks that
    // hold the picture included; the demuxer does not return those as packets). The sound's
    // length is where its last packet ends when the header does not say.
    double videoLength = 0, audioLength = 0;
    std::vector<double> pictureTimes;  // seconds at which each picture starts
};

inline Probe ProbeFile(const std::string& path) {
    Probe p;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return p;
    if (avformat_find_stream_info(fmt, nullptr) < 0) {
        avformat_close_input(&fmt);
        return p;
    }
    p.ok = true;
    p.streams = int(fmt->nb_streams);
    p.duration = fmt->duration > 0 ? double(fmt->duration) / AV_TIME_BASE : 0;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        const AVStream* st = fmt->streams[i];
        const AVCodecParameters* c = st->codecpar;
        if (c->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++p.videoStreams;
            p.videoCodec = avcodec_get_name(c->codec_id);
            p.width = c->width;
            p.height = c->height;
            p.videoRate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
            if (st->duration > 0) p.videoLength = double(st->duration) * av_q2d(st->time_base);
        } else if (c->codec_type == AVMEDIA_TYPE_AUDIO) {
            ++p.audioStreams;
            p.audioCodec = avcodec_get_name(c->codec_id);
            p.sampleRate = c->sample_rate;
            if (st->duration > 0) p.audioLength = double(st->duration) * av_q2d(st->time_base);
        }
    }
    AVPacket* pkt = av_packet_alloc();
    int rc = 0;
    while ((rc = av_read_frame(fmt, pkt)) >= 0) {
        const AVStream* st = fmt->streams[pkt->stream_index];
        const int64_t start = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        const double end =
            start == AV_NOPTS_VALUE ? 0 : double(start + std::max<int64_t>(pkt->duration, 0)) * av_q2d(st->time_base);
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++p.videoChunks;
            if (pkt->size > 0) {
                ++p.videoFrames;
                if (start != AV_NOPTS_VALUE) p.pictureTimes.push_back(double(start) * av_q2d(st->time_base));
            }
            p.videoEnd = std::max(p.videoEnd, end);
        } else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            p.audioEnd = std::max(p.audioEnd, end);
        }
        p.bytesRead += pkt->size;
        av_packet_unref(pkt);
    }
    p.readToEnd = rc == AVERROR_EOF;
    if (p.audioLength == 0) p.audioLength = p.audioEnd;  // AVI sound: no length in the header
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    return p;
}

}  // namespace pelta::test
