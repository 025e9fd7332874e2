// Reads a capture file back with libavformat: its streams, every packet to the end, and
// where each track ends.
#pragma once

#include "DecodeFile.h"
#include "RecordTestHub.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
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
    AVColorRange colorRange = AVCOL_RANGE_UNSPECIFIED;  // as the video stream states them
    AVColorSpace colorSpace = AVCOL_SPC_UNSPECIFIED;
    int64_t videoFrames = 0;     // video packets holding a picture
    int64_t bytesRead = 0;       // payload of all packets
    double duration = 0;         // of the whole file, as the demuxer reports it
    double videoEnd = 0;         // seconds where the last video packet read ends
    double audioEnd = 0;         // seconds where the last audio packet read ends
    // Track lengths the file states (AVI: frames in the stream header, empty chunks that
    // hold the picture included; the demuxer does not return those as packets). The sound's
    // length is where its last packet ends when the header does not say.
    double videoLength = 0, audioLength = 0;
    int64_t videoSlots = 0;            // frames of the video track the header states
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
            p.colorRange = c->color_range;
            p.colorSpace = c->color_space;
            if (st->duration > 0) p.videoLength = double(st->duration) * av_q2d(st->time_base);
            p.videoSlots = st->nb_frames;
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

// Every picture of the video track decoded, in BGR24, handed to `take` in file order.
template <typename Take>
void ForEachPicture(const std::string& path, Take take) {
    AVFrame* rgb = av_frame_alloc();
    SwsContext* sws = nullptr;
    ForEachDecoded(path, AVMEDIA_TYPE_VIDEO, [&](const AVFrame* f) {
        rgb->format = AV_PIX_FMT_BGR24;
        rgb->width = f->width;
        rgb->height = f->height;
        if (rgb->buf[0] == nullptr) av_frame_get_buffer(rgb, 0);
        sws = sws_getCachedContext(sws, f->width, f->height, AVPixelFormat(f->format), f->width, f->height,
                                   AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
        sws_scale(sws, f->data, f->linesize, 0, f->height, rgb->data, rgb->linesize);
        take(static_cast<const AVFrame*>(rgb));
    });
    sws_freeContext(sws);
    av_frame_free(&rgb);
}

// The number the test hub stamped on each picture.
inline std::vector<int64_t> PictureNumbers(const std::string& path) {
    std::vector<int64_t> numbers;
    ForEachPicture(path, [&](const AVFrame* p) { numbers.push_back(PictureNumber(p->data[0], p->linesize[0], 3)); });
    return numbers;
}

// Where RIFF chunks start in an AVI, read from the file's own chunk sizes.
struct RiffLayout {
    std::vector<std::string> forms;  // "AVI ", "AVIX", ...
    bool coversFile = false;         // the chunks follow each other exactly to the file's end
    bool odmlList = false;           // the header holds a LIST "odml" (OpenDML extended header)
    bool index = false;              // the first form ends in an idx1 index
};

inline RiffLayout ReadRiffLayout(const std::filesystem::path& path) {
    RiffLayout r;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return r;
    const int64_t size = int64_t(std::filesystem::file_size(path));
    int64_t at = 0;
    unsigned char h[12];
    while (at + 12 <= size && fseeko(f, at, SEEK_SET) == 0 && std::fread(h, 1, 12, f) == 12 &&
           std::memcmp(h, "RIFF", 4) == 0) {
        const uint32_t len = uint32_t(h[4]) | uint32_t(h[5]) << 8 | uint32_t(h[6]) << 16 | uint32_t(h[7]) << 24;
        r.forms.emplace_back(reinterpret_cast<char*>(h + 8), 4);
        if (r.forms.size() == 1) {
            // The extended header sits in the first form's header list, near the start.
            std::vector<char> head(size_t(std::min<int64_t>(len, 1 << 20)));
            const size_t got = std::fread(head.data(), 1, head.size(), f);
            for (size_t i = 0; i + 12 <= got && !r.odmlList; ++i)
                r.odmlList = std::memcmp(&head[i], "LIST", 4) == 0 && std::memcmp(&head[i + 8], "odml", 4) == 0;
            // The form's chunks, after its "AVI " tag: the last of them is the index.
            unsigned char c[8];
            for (int64_t i = at + 12; i + 8 <= at + 8 + int64_t(len) && fseeko(f, i, SEEK_SET) == 0 &&
                                      std::fread(c, 1, 8, f) == 8;) {
                const uint32_t n = uint32_t(c[4]) | uint32_t(c[5]) << 8 | uint32_t(c[6]) << 16 | uint32_t(c[7]) << 24;
                r.index = std::memcmp(c, "idx1", 4) == 0;
                i += 8 + int64_t(n) + (n & 1);
            }
        }
        at += 8 + int64_t(len) + (len & 1);
    }
    r.coversFile = at == size;
    std::fclose(f);
    return r;
}

}  // namespace pelta::test
