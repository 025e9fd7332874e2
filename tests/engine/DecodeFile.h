// Decodes one track of a file written by a test, frame by frame, with libavcodec.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <string>

namespace pelta::test {

// Every frame of the file's main track of `type`, decoded, handed to `take` in file order.
// False when the file or a decoder for the track could not be opened.
template <typename Take>
bool ForEachDecoded(const std::string& path, AVMediaType type, Take take) {
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return false;
    const AVCodec* codec = nullptr;
    const int stream =
        avformat_find_stream_info(fmt, nullptr) >= 0 ? av_find_best_stream(fmt, type, -1, -1, &codec, 0) : -1;
    AVCodecContext* dec = stream >= 0 && codec ? avcodec_alloc_context3(codec) : nullptr;
    const bool open = dec && avcodec_parameters_to_context(dec, fmt->streams[stream]->codecpar) >= 0 &&
                      avcodec_open2(dec, codec, nullptr) >= 0;
    if (open) {
        AVPacket* pkt = av_packet_alloc();
        AVFrame* f = av_frame_alloc();
        const auto receive = [&] {
            while (avcodec_receive_frame(dec, f) == 0) take(static_cast<const AVFrame*>(f));
        };
        while (av_read_frame(fmt, pkt) >= 0) {
            // An empty packet (an AVI chunk that holds the picture) would end the decoding.
            if (pkt->stream_index == stream && pkt->size > 0 && avcodec_send_packet(dec, pkt) >= 0) receive();
            av_packet_unref(pkt);
        }
        if (avcodec_send_packet(dec, nullptr) >= 0) receive();
        av_frame_free(&f);
        av_packet_free(&pkt);
    }
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    return open;
}

}  // namespace pelta::test
