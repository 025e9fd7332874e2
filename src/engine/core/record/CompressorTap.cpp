#include "engine/core/record/CompressorTap.h"

#include "engine/core/MediaHub.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>

namespace pelta::engine::record {

namespace {

// Sizes the encoder's pixel format can hold: subsampled chroma needs whole chroma samples.
int Fit(int size, int log2Chroma) {
    const int step = 1 << log2Chroma;
    return std::max(step, size / step * step);
}

}  // namespace

CompressorTap::~CompressorTap() { Reset(); }

void CompressorTap::Reset() {
    avcodec_free_context(&enc_);
    avcodec_free_context(&dec_);
    av_packet_free(&packet_);
    av_frame_free(&encIn_);
    av_frame_free(&decoded_);
    sws_freeContext(toEncoder_);
    toEncoder_ = nullptr;
    sws_freeContext(fromDecoder_);
    fromDecoder_ = nullptr;
    haveDecoded_ = false;
    encoder_.clear();
    settings_ = {};
    width_ = height_ = 0;
    format_ = -1;
    nextPts_ = 0;
    lastBytes_ = 0;
}

bool CompressorTap::Fail(const std::string& why) {
    error_ = why;
    return false;
}

bool CompressorTap::Open(const AVFrame* in, const std::string& encoder, const EncoderSettings& settings) {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder.c_str());
    if (codec == nullptr || codec->type != AVMEDIA_TYPE_VIDEO) {
        return Fail("there is no video encoder " + encoder);
    }
    const auto inFormat = static_cast<AVPixelFormat>(in->format);
    enc_ = avcodec_alloc_context3(codec);
    packet_ = av_packet_alloc();
    encIn_ = av_frame_alloc();
    decoded_ = av_frame_alloc();
    if (enc_ == nullptr || packet_ == nullptr || encIn_ == nullptr || decoded_ == nullptr) {
        return Fail("out of memory");
    }
    enc_->pix_fmt = EncoderPixelFormat(codec, inFormat);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(enc_->pix_fmt);
    enc_->width = Fit(in->width, desc != nullptr ? desc->log2_chroma_w : 0);
    enc_->height = Fit(in->height, desc != nullptr ? desc->log2_chroma_h : 0);
    enc_->time_base = AVRational{1, 30};
    enc_->framerate = AVRational{30, 1};
    enc_->sample_aspect_ratio = AVRational{1, 1};
    enc_->max_b_frames = 0;  // every picture leaves the encoder when it goes in
    enc_->gop_size = 12;
    enc_->thread_count = 1;  // frame threads would hold pictures back
    if (std::string why = ApplyEncoderSettings(enc_, settings); !why.empty()) {
        return Fail(why);
    }
    if (encoder == "libx264") {
        av_opt_set(enc_->priv_data, "tune", "zerolatency", 0);
    }
    int rc = avcodec_open2(enc_, codec, nullptr);
    if (rc < 0) {
        return Fail("the video encoder " + encoder + " cannot start: " + AvError(rc));
    }

    const AVCodec* decoder = avcodec_find_decoder(enc_->codec_id);
    if (decoder == nullptr) {
        return Fail("there is no decoder for " + encoder);
    }
    dec_ = avcodec_alloc_context3(decoder);
    AVCodecParameters* par = avcodec_parameters_alloc();
    if (dec_ == nullptr || par == nullptr) {
        avcodec_parameters_free(&par);
        return Fail("out of memory");
    }
    rc = avcodec_parameters_from_context(par, enc_);  // carries the extradata (HuffYUV tables)
    if (rc >= 0) {
        rc = avcodec_parameters_to_context(dec_, par);
    }
    avcodec_parameters_free(&par);
    if (rc < 0) {
        return Fail("the decoder for " + encoder + " cannot be set up: " + AvError(rc));
    }
    dec_->thread_count = 1;
    rc = avcodec_open2(dec_, decoder, nullptr);
    if (rc < 0) {
        return Fail("the decoder for " + encoder + " cannot start: " + AvError(rc));
    }

    encIn_->format = enc_->pix_fmt;
    encIn_->width = enc_->width;
    encIn_->height = enc_->height;
    if (av_frame_get_buffer(encIn_, 0) < 0) {
        return Fail("out of memory");
    }
    toEncoder_ = sws_getContext(in->width, in->height, inFormat, enc_->width, enc_->height, enc_->pix_fmt,
                                SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (toEncoder_ == nullptr) {
        return Fail("the picture format cannot be converted for " + encoder);
    }
    return true;
}

AVFrame* CompressorTap::Process(const AVFrame* in, const std::string& encoder, const EncoderSettings& settings) {
    reopened_ = false;
    if (in == nullptr || in->width <= 0 || in->height <= 0 || in->format < 0) {
        Fail("there is no picture");
        return nullptr;
    }
    const EncoderSettings clamped = settings.Clamped(encoder);
    if (encoder != encoder_ || clamped != settings_ || in->width != width_ || in->height != height_ ||
        in->format != format_) {
        Reset();
        encoder_ = encoder;
        settings_ = clamped;
        width_ = in->width;
        height_ = in->height;
        format_ = in->format;
        reopened_ = true;
        error_.clear();
        if (!Open(in, encoder, clamped)) {
            avcodec_free_context(&enc_);  // stays closed (and the error kept) until something changes
            return nullptr;
        }
    } else if (enc_ == nullptr) {
        return nullptr;
    }

    if (av_frame_make_writable(encIn_) < 0) {
        Fail("out of memory");
        return nullptr;
    }
    sws_scale(toEncoder_, in->data, in->linesize, 0, in->height, encIn_->data, encIn_->linesize);
    encIn_->pts = nextPts_++;
    encIn_->quality = enc_->global_quality;
    encIn_->pict_type = AV_PICTURE_TYPE_NONE;
    int rc = avcodec_send_frame(enc_, encIn_);
    if (rc < 0) {
        Fail("the video encoder " + encoder + " failed: " + AvError(rc));
        return nullptr;
    }
    AVFrame* scratch = av_frame_alloc();
    if (scratch == nullptr) {
        Fail("out of memory");
        return nullptr;
    }
    lastBytes_ = 0;
    bool ok = true;
    while (ok && (rc = avcodec_receive_packet(enc_, packet_)) >= 0) {
        lastBytes_ += packet_->size;
        rc = avcodec_send_packet(dec_, packet_);
        av_packet_unref(packet_);
        if (rc < 0) {
            ok = Fail("the decoder for " + encoder + " failed: " + AvError(rc));
            break;
        }
        while ((rc = avcodec_receive_frame(dec_, scratch)) >= 0) {
            av_frame_unref(decoded_);
            av_frame_move_ref(decoded_, scratch);  // only the newest picture is kept
            haveDecoded_ = true;
        }
        if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) {
            ok = Fail("the decoder for " + encoder + " failed: " + AvError(rc));
        }
    }
    av_frame_free(&scratch);
    if (ok && rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) {
        ok = Fail("the video encoder " + encoder + " failed: " + AvError(rc));
    }
    if (!ok || !haveDecoded_) {
        return nullptr;
    }

    AVFrame* out = av_frame_alloc();
    if (out == nullptr) {
        Fail("out of memory");
        return nullptr;
    }
    out->format = in->format;
    out->width = in->width;
    out->height = in->height;
    fromDecoder_ = sws_getCachedContext(fromDecoder_, decoded_->width, decoded_->height,
                                        static_cast<AVPixelFormat>(decoded_->format), in->width, in->height,
                                        static_cast<AVPixelFormat>(in->format), SWS_BICUBIC, nullptr, nullptr,
                                        nullptr);
    if (fromDecoder_ == nullptr || av_frame_get_buffer(out, 0) < 0) {
        av_frame_free(&out);
        Fail("the decoded picture cannot be converted back");
        return nullptr;
    }
    sws_scale(fromDecoder_, decoded_->data, decoded_->linesize, 0, decoded_->height, out->data, out->linesize);
    av_frame_copy_props(out, in);
    error_.clear();
    return out;
}

}  // namespace pelta::engine::record
