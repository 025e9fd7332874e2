#include "engine/core/record/CaptureWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/cpu.h>
#include <libavutil/error.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace pelta::engine::record {

namespace {

const char* MuxerName(int32_t format) {
    switch (format) {
    case 0: return "avi";
    case 2: return "wav";
    case 6: return "mp3";
    default: return nullptr;
    }
}

int PickSampleRate(const AVCodec* codec, int want) {
    if (codec->supported_samplerates == nullptr) {
        return want;
    }
    int best = 0;
    for (const int* r = codec->supported_samplerates; *r != 0; ++r) {
        if (*r == want) {
            return want;
        }
        if (best == 0 || std::abs(*r - want) < std::abs(best - want)) {
            best = *r;
        }
    }
    return best;
}

AVSampleFormat PickSampleFormat(const AVCodec* codec, AVSampleFormat in) {
    if (codec->sample_fmts == nullptr) {
        return in;
    }
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == in) {
            return in;
        }
    }
    return codec->sample_fmts[0];
}

// The AVI muxer refuses a run of more empty chunks than this; a longer wait for the next
// picture repeats the held one instead.
constexpr int64_t kLongestEmptyRun = 30000;

int64_t RoundUpTo(int64_t v, int multiple) { return (v + multiple - 1) / multiple * multiple; }

}  // namespace

CaptureWriter::~CaptureWriter() {
    if (!finished_) {
        Finish();
    }
    Release();
}

void CaptureWriter::Release() {
    jpeg_.reset();
    avcodec_free_context(&video_);
    avcodec_free_context(&audio_);
    if (fmt_ != nullptr) {
        fmt_->pb = nullptr;  // owned by the sink
        avformat_free_context(fmt_);
        fmt_ = nullptr;
    }
    av_packet_free(&packet_);
    av_frame_free(&picture_);
    preparer_.reset();
    av_frame_free(&sound_);
    swr_free(&swr_);
    if (fifo_ != nullptr) {
        av_audio_fifo_free(fifo_);
        fifo_ = nullptr;
    }
}

bool CaptureWriter::SetFailure(CaptureErrorCode code, const std::string& text) {
    if (!failed_) {
        failed_ = code;
        failureText_ = text;
    }
    return false;
}

bool CaptureWriter::FailFromWrite(int rc, const char* what) {
    switch (sink_.LastFailure()) {
    case FileSink::Failure::DiskFull:
        return SetFailure(CaptureErrorCode::DiskFull, "the disk is full");
    case FileSink::Failure::WriteFailed:
        if (sink_.LastErrno() == EFBIG) return SetFailure(CaptureErrorCode::WriteFailed, sink_.SizeLimitText());
        return SetFailure(CaptureErrorCode::WriteFailed, std::string("writing the file failed: ") +
                                                             AvError(AVERROR(sink_.LastErrno())));
    case FileSink::Failure::None:
        break;
    }
    return SetFailure(CaptureErrorCode::EncoderFailed, std::string(what) + ": " + AvError(rc));
}

int CaptureWriter::AudioRate() const { return audio_ != nullptr ? audio_->sample_rate : 0; }

std::string CaptureWriter::Open(const WriterSetup& s, CaptureErrorCode& code) {
    code = CaptureErrorCode::CannotCreateFile;
    const char* muxer = MuxerName(s.Format);
    if (muxer == nullptr) {
        return "this output format cannot be written";
    }
    if (avformat_alloc_output_context2(&fmt_, nullptr, muxer, s.Path.c_str()) < 0 || fmt_ == nullptr) {
        return "the muxer could not be set up";
    }
    packet_ = av_packet_alloc();
    std::string err;
    code = CaptureErrorCode::EncoderFailed;
    if (s.Video && !OpenVideo(s, err)) {
        return err;
    }
    if (s.Audio && !OpenAudio(s, err)) {
        return err;
    }
    code = CaptureErrorCode::CannotCreateFile;
    std::string why = sink_.Open(s.Path, s.KeepAllocation, s.ReserveBytes);
    if (!why.empty()) {
        return why;
    }
    fmt_->pb = sink_.Avio();
    fmt_->max_interleave_delta = AV_TIME_BASE;  // nothing waits in the muxer longer than a second
    sink_.SetHeadroom(FinishingNeed());
    int rc = avformat_write_header(fmt_, nullptr);
    if (rc < 0) {
        return "writing the file header failed: " + AvError(rc);
    }
    headerWritten_ = true;
    sink_.Flush();
    headerEnd_ = sink_.BytesWritten();
    wav_ = s.Format == 2;
    avi_ = s.Format == 0;
    if (wav_) {
        FindWavFields();
    }
    return {};
}

int CaptureWriter::Width() const { return video_ != nullptr ? video_->width : 0; }
int CaptureWriter::Height() const { return video_ != nullptr ? video_->height : 0; }
AVPixelFormat CaptureWriter::PixelFormat() const { return video_ != nullptr ? video_->pix_fmt : AV_PIX_FMT_NONE; }

// The Motion JPEG workers and their queue hold pictures by reference, as libavcodec's frame
// threads do one each; the other encoders (x264 among them) copy what they keep.
int CaptureWriter::PicturesHeld() const {
    if (jpeg_) return jpeg_->Capacity();
    if (video_ != nullptr && (video_->active_thread_type & FF_THREAD_FRAME) != 0) return video_->thread_count;
    return 0;
}

// A WAV file states its length only in its header, which the muxer writes at the end; the
// header's size fields are kept true at every flush instead, so that a file cut short by
// a kill still reads with its real length.
void CaptureWriter::FindWavFields() {
    std::string head(static_cast<size_t>(headerEnd_), '\0');
    if (headerEnd_ < 12 || !sink_.ReadAt(0, head.data(), head.size()) || head.compare(0, 4, "RIFF") != 0) {
        return;
    }
    for (int64_t at = 12; at + 8 <= headerEnd_;) {
        const std::string id = head.substr(static_cast<size_t>(at), 4);
        const int64_t len = AV_RL32(head.data() + at + 4);
        if (id == "fact" && len >= 4) {
            wavFactAt_ = at + 8;
        } else if (id == "data") {
            wavDataSizeAt_ = at + 4;
            wavDataStart_ = at + 8;
            return;
        }
        at += 8 + len + (len & 1);
    }
}

void CaptureWriter::PatchWavHeader() {
    const int64_t end = sink_.BytesWritten();
    if (wavDataStart_ < 0 || end < wavDataStart_ || end - 8 > UINT32_MAX) {
        return;
    }
    uint8_t field[4];
    AV_WL32(field, static_cast<uint32_t>(end - 8));
    sink_.PatchAt(4, field, 4);
    AV_WL32(field, static_cast<uint32_t>(end - wavDataStart_));
    sink_.PatchAt(wavDataSizeAt_, field, 4);
    if (wavFactAt_ >= 0) {
        AV_WL32(field, static_cast<uint32_t>(std::min<int64_t>(audioSamplesMuxed_, UINT32_MAX)));
        sink_.PatchAt(wavFactAt_, field, 4);
    }
}

// The AVI muxer, too, states the file's lengths only at the end (the RIFF and movi sizes
// stay unset, the frame counts 0). They are kept true at every flush from what the file
// holds, so a file cut short still states how long it is.
void CaptureWriter::PatchAviHeader() {
    const auto read = [this](int64_t at, void* data, size_t size) { return sink_.ReadAt(at, data, size); };
    if (!aviLayout_.Scan(read, sink_.BytesWritten())) {
        return;
    }
    for (const auto& [at, value] : aviLayout_.LengthFields()) {
        uint8_t field[4];
        AV_WL32(field, value);
        sink_.PatchAt(at, field, 4);
    }
}

// What finishing the file still needs beyond the data written: the index (16 bytes a
// chunk, growing with the chunks), what the encoders, the sound queue, the muxer's
// interleaving and the I/O buffer still hold, and a little over.
int64_t CaptureWriter::FinishingNeed() const {
    int64_t need = (chunks_ + 64) * 16;
    if (video_ != nullptr) {
        need += (picturesSent_ + repeatPackets_ - videoPackets_ + 2) * (maxPacket_ + 8);
    }
    if (audio_ != nullptr && fifo_ != nullptr) {
        // the sound still queued, the silence that may end it (a fifth of a second), a block
        need += (av_audio_fifo_size(fifo_) + audio_->sample_rate / 5 + std::max(audio_->frame_size, 1024)) *
                audioFileBytesPerSample_;
    }
    need += std::max<int64_t>(headerEnd_ + chunkBytes_ - sink_.BytesWritten(), 0);
    return need + 96 * 1024;  // the write under way and the I/O buffer
}

bool CaptureWriter::OpenVideo(const WriterSetup& s, std::string& err) {
    const AVCodec* codec = avcodec_find_encoder_by_name(s.VideoEncoder.c_str());
    if (codec == nullptr) {
        err = "the video encoder " + s.VideoEncoder + " is missing";
        return false;
    }
    video_ = avcodec_alloc_context3(codec);
    video_->pix_fmt = EncoderPixelFormat(codec, s.VideoIn.PixelFormat);
    // The pictures' own size, rounded up to what the encoder's chroma layout takes (the
    // pictures are then placed with a thin bar, not stretched).
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(video_->pix_fmt);
    video_->width = static_cast<int>(RoundUpTo(s.VideoIn.Width, 1 << desc->log2_chroma_w));
    video_->height = static_cast<int>(RoundUpTo(s.VideoIn.Height, 1 << desc->log2_chroma_h));
    TagEncoderColours(video_);
    video_->framerate = s.VideoRate;
    video_->time_base = av_inv_q(s.VideoRate);
    video_->sample_aspect_ratio = AVRational{1, 1};
    video_->max_b_frames = 0;  // AVI has no presentation times
    video_->gop_size = 12;
    // One encoder thread per core, each on a picture of its own where the encoder can (frame
    // threads: libavcodec's for Motion JPEG, x264's own), else on slices of one. With frame
    // threads the writer hands the next picture over while the last is still encoded, so the
    // encoder keeps both cores busy beside the device's thread. libavcodec's automatic count
    // is the same for Motion JPEG on two cores; x264's automatic one and a half threads per
    // core encode no faster on two and hold 13 MB more of 1080p pictures. Slice threads cost
    // x264 more CPU per picture and Motion JPEG more memory.
    video_->thread_count = std::clamp(av_cpu_count(), 1, 16);
    EncoderSettings settings = s.VideoSettings;
    if (!settings.Has("quality")) {
        settings.Set("quality", s.VideoQuality);
    }
    if (std::string why = ApplyEncoderSettings(video_, settings); !why.empty()) {
        err = why;
        return false;
    }
    if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) {
        video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (s.VideoEncoder == "mjpeg" && JpegPoolAvailable() && JpegPoolTakes(video_->pix_fmt)) {
        if (!OpenJpegPool(s, err)) return false;
    } else if (int rc = avcodec_open2(video_, codec, nullptr); rc < 0) {
        err = "the video encoder " + s.VideoEncoder + " cannot start: " + AvError(rc);
        return false;
    }
    videoStream_ = avformat_new_stream(fmt_, nullptr);
    avcodec_parameters_from_context(videoStream_->codecpar, video_);
    videoStream_->time_base = video_->time_base;
    videoStream_->avg_frame_rate = s.VideoRate;
    videoStream_->r_frame_rate = s.VideoRate;
    picture_ = av_frame_alloc();
    if (picture_ == nullptr) {
        err = "out of memory";
        return false;
    }
    return true;
}

bool CaptureWriter::OpenAudio(const WriterSetup& s, std::string& err) {
    const AVCodec* codec = avcodec_find_encoder_by_name(s.AudioEncoder.c_str());
    if (codec == nullptr) {
        err = "the audio encoder " + s.AudioEncoder + " is missing";
        return false;
    }
    audio_ = avcodec_alloc_context3(codec);
    audio_->sample_rate = PickSampleRate(codec, s.AudioIn.SampleRate);
    audio_->sample_fmt = PickSampleFormat(codec, s.AudioIn.SampleFormat);
    av_channel_layout_default(&audio_->ch_layout, std::clamp(s.AudioIn.Channels, 1, 2));
    audio_->time_base = AVRational{1, audio_->sample_rate};
    if (std::string why = ApplyEncoderSettings(audio_, s.AudioSettings); !why.empty()) {
        err = why;
        return false;
    }
    if (fmt_->oformat->flags & AVFMT_GLOBALHEADER) {
        audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    int rc = avcodec_open2(audio_, codec, nullptr);
    if (rc < 0) {
        err = "the audio encoder " + s.AudioEncoder + " cannot start: " + AvError(rc);
        return false;
    }
    audioStream_ = avformat_new_stream(fmt_, nullptr);
    avcodec_parameters_from_context(audioStream_->codecpar, audio_);
    // What a sample takes in the file (twice the nominal rate for a compressed one).
    const int bits = av_get_bits_per_sample(audio_->codec_id);
    audioFileBytesPerSample_ =
        bits > 0 ? std::max<int64_t>(bits * audio_->ch_layout.nb_channels / 8, 1)
        : audio_->bit_rate > 0
            ? std::max<int64_t>(audio_->bit_rate / 4 / audio_->sample_rate, 1)
            : int64_t(av_get_bytes_per_sample(audio_->sample_fmt)) * audio_->ch_layout.nb_channels;
    audioStream_->time_base = audio_->time_base;

    AVChannelLayout inLayout;
    av_channel_layout_default(&inLayout, std::max(1, s.AudioIn.Channels));
    rc = swr_alloc_set_opts2(&swr_, &audio_->ch_layout, audio_->sample_fmt, audio_->sample_rate, &inLayout,
                             s.AudioIn.SampleFormat, s.AudioIn.SampleRate, 0, nullptr);
    if (rc < 0 || swr_init(swr_) < 0) {
        err = "the sound format cannot be converted";
        return false;
    }
    fifo_ = av_audio_fifo_alloc(audio_->sample_fmt, audio_->ch_layout.nb_channels, 4096);
    sound_ = av_frame_alloc();
    return fifo_ != nullptr && sound_ != nullptr;
}

bool CaptureWriter::Drain(AVCodecContext* enc, AVStream* st, bool video) {
    for (;;) {
        int rc = avcodec_receive_packet(enc, packet_);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
            return true;
        }
        if (rc < 0) {
            return SetFailure(CaptureErrorCode::EncoderFailed, "the encoder failed: " + AvError(rc));
        }
        packet_->stream_index = st->index;
        av_packet_rescale_ts(packet_, enc->time_base, st->time_base);
        const int size = packet_->size;
        if (!video) {
            audioSamplesMuxed_ += av_rescale_q(packet_->duration, st->time_base, AVRational{1, enc->sample_rate});
        }
        if (!Mux(packet_, video)) {
            return false;
        }
        (video ? videoPackets_ : audioPackets_) += 1;
        (video ? videoBytes_ : audioBytes_) += size;
    }
}

bool CaptureWriter::Mux(AVPacket* packet, bool video) {
    const int64_t size = packet->size;
    maxPacket_ = std::max(maxPacket_, size);
    chunkBytes_ += 8 + size + (size & 1);
    ++chunks_;
    if (video && packet->dts != AV_NOPTS_VALUE) {
        // the muxer fills the slots skipped before this one with empty chunks
        const int64_t slot = av_rescale_q(packet->dts, videoStream_->time_base, video_->time_base);
        const int64_t skipped = std::max<int64_t>(slot - std::max(muxedSlots_, int64_t(1)), 0);
        chunkBytes_ += 8 * skipped;
        chunks_ += skipped;
        muxedSlots_ = std::max(muxedSlots_, slot + 1);
    }
    sink_.SetHeadroom(FinishingNeed());
    inWrite_ = true;
    const int rc = av_interleaved_write_frame(fmt_, packet);
    inWrite_ = false;
    if (rc < 0) {
        return FailFromWrite(rc, "the muxer refused a packet");
    }
    if (sink_.LastFailure() != FileSink::Failure::None) {
        return FailFromWrite(0, "writing");
    }
    return true;
}

bool CaptureWriter::WriteVideo(const AVFrame* frame, int64_t slot) {
    if (video_ == nullptr || Failed() || slot <= lastSlot_) {
        return !Failed();
    }
    if (!preparer_) preparer_ = std::make_unique<PicturePreparer>(video_->pix_fmt, video_->width, video_->height);
    std::string why;
    AVFrame* picture = preparer_->Prepare(frame, why);
    if (picture == nullptr) {
        return SetFailure(why == "out of memory" ? CaptureErrorCode::OutOfMemory : CaptureErrorCode::EncoderFailed, why);
    }
    const bool ok = WritePicture(picture, slot);
    av_frame_free(&picture);
    return ok;
}

bool CaptureWriter::WritePicture(const AVFrame* picture, int64_t slot) {
    if (video_ == nullptr || Failed() || slot <= lastSlot_) {
        return !Failed();
    }
    // A very long wait for this picture: the held one is repeated so that no run of empty
    // chunks grows past what the muxer takes.
    for (int64_t at = lastSlot_ + kLongestEmptyRun; havePicture_ && at < slot; at = lastSlot_ + kLongestEmptyRun) {
        if (!EncodePicture(at)) return false;
        ++repeatPackets_;
    }
    av_frame_unref(picture_);
    if (av_frame_ref(picture_, picture) < 0) {
        havePicture_ = false;
        return SetFailure(CaptureErrorCode::OutOfMemory, "out of memory");
    }
    havePicture_ = true;
    if (!EncodePicture(slot)) {
        return false;
    }
    ++picturesSent_;
    return true;
}

bool CaptureWriter::EncodePicture(int64_t slot) {
    if (jpeg_) return SendToJpegPool(slot);
    picture_->pts = slot;
    picture_->quality = video_->global_quality;
    picture_->pict_type = AV_PICTURE_TYPE_NONE;
    int rc = avcodec_send_frame(video_, picture_);
    if (rc < 0) {
        return SetFailure(CaptureErrorCode::EncoderFailed, "the video encoder failed: " + AvError(rc));
    }
    lastSlot_ = slot;
    return Drain(video_, videoStream_, true);
}

// libjpeg-turbo's pool spreads the pictures over the cores: one worker per core, each
// compressing a whole picture from the planar picture the writer already holds (no copy).
bool CaptureWriter::OpenJpegPool(const WriterSetup& s, std::string& err) {
    const int quantiser = s.VideoSettings.Get("quality", s.VideoQuality);
    jpeg_ = std::make_unique<JpegEncoderPool>(video_->pix_fmt, video_->width, video_->height,
                                              quantiser, std::clamp(av_cpu_count(), 1, 8));
    if (!jpeg_->StartError().empty()) {
        err = "the video encoder " + s.VideoEncoder + " cannot start: " + jpeg_->StartError();
        return false;
    }
    return true;
}

bool CaptureWriter::SendToJpegPool(int64_t slot) {
    if (!jpeg_->Submit(picture_, slot)) {
        return SetFailure(CaptureErrorCode::OutOfMemory, "out of memory");
    }
    lastSlot_ = slot;
    return MuxJpegPackets(false);
}

bool CaptureWriter::MuxJpegPackets(bool wait) {
    JpegEncoderPool::Packet p;
    while (jpeg_->Take(p, wait)) {
        if (p.Data == nullptr) {
            return SetFailure(p.Error == "out of memory" ? CaptureErrorCode::OutOfMemory : CaptureErrorCode::EncoderFailed,
                              "the video encoder failed: " + p.Error);
        }
        p.Data->stream_index = videoStream_->index;
        p.Data->pts = p.Data->dts = av_rescale_q(p.Slot, video_->time_base, videoStream_->time_base);
        p.Data->duration = av_rescale_q(1, video_->time_base, videoStream_->time_base);
        const int size = p.Data->size;
        const bool ok = Failed() ? false : Mux(p.Data, true);
        av_packet_free(&p.Data);
        if (!ok) return false;
        ++videoPackets_;
        videoBytes_ += size;
    }
    return !Failed();
}

bool CaptureWriter::DrainVideoEncoder() {
    if (jpeg_) return MuxJpegPackets(true);
    avcodec_send_frame(video_, nullptr);
    return Drain(video_, videoStream_, true);
}

bool CaptureWriter::WriteAudio(const AVFrame* frame) {
    if (audio_ == nullptr || Failed()) {
        return !Failed();
    }
    const int outMax = swr_get_out_samples(swr_, frame->nb_samples);
    uint8_t** out = nullptr;
    if (av_samples_alloc_array_and_samples(&out, nullptr, audio_->ch_layout.nb_channels, std::max(outMax, 1),
                                           audio_->sample_fmt, 0) < 0) {
        return SetFailure(CaptureErrorCode::OutOfMemory, "out of memory");
    }
    int got = swr_convert(swr_, out, outMax, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (got > 0) {
        av_audio_fifo_write(fifo_, reinterpret_cast<void**>(out), got);
        audioIn_ += got;
    }
    av_freep(&out[0]);
    av_freep(&out);
    return EncodeAudioFifo(false);
}

bool CaptureWriter::WriteSilence(int64_t samples) {
    if (audio_ == nullptr || Failed() || samples <= 0) {
        return !Failed();
    }
    while (samples > 0) {
        const int n = static_cast<int>(std::min<int64_t>(samples, 4096));
        uint8_t** out = nullptr;
        if (av_samples_alloc_array_and_samples(&out, nullptr, audio_->ch_layout.nb_channels, n, audio_->sample_fmt,
                                               0) < 0) {
            return SetFailure(CaptureErrorCode::OutOfMemory, "out of memory");
        }
        av_samples_set_silence(out, 0, n, audio_->ch_layout.nb_channels, audio_->sample_fmt);
        av_audio_fifo_write(fifo_, reinterpret_cast<void**>(out), n);
        av_freep(&out[0]);
        av_freep(&out);
        audioIn_ += n;
        samples -= n;
        if (!EncodeAudioFifo(false)) {  // block by block: a long silence never piles up
            return false;
        }
    }
    return true;
}

void CaptureWriter::DropAudio(int64_t samples) {
    if (fifo_ == nullptr || samples <= 0) {
        return;
    }
    const int n = static_cast<int>(std::min<int64_t>(samples, av_audio_fifo_size(fifo_)));
    av_audio_fifo_drain(fifo_, n);
    audioIn_ -= n;
}

bool CaptureWriter::EncodeAudioFifo(bool final) {
    const bool fixed = audio_->frame_size > 0 && !(audio_->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    const int block = fixed ? audio_->frame_size : 1024;
    for (;;) {
        const int64_t room = audioLimit_ - audioOut_;
        const int64_t ready = av_audio_fifo_size(fifo_) - (final ? 0 : audioHoldback_);
        int avail = static_cast<int>(std::min<int64_t>(std::max<int64_t>(ready, 0), std::max<int64_t>(room, 0)));
        if (avail <= 0 || (avail < block && !final)) {
            if (room <= 0 && av_audio_fifo_size(fifo_) > 0) {
                av_audio_fifo_reset(fifo_);  // past the limit: the rest is not recorded
            }
            return true;
        }
        const int n = std::min(avail, block);
        av_frame_unref(sound_);
        sound_->nb_samples = fixed ? block : n;
        sound_->format = audio_->sample_fmt;
        sound_->sample_rate = audio_->sample_rate;
        av_channel_layout_copy(&sound_->ch_layout, &audio_->ch_layout);
        if (av_frame_get_buffer(sound_, 0) < 0) {
            return SetFailure(CaptureErrorCode::OutOfMemory, "out of memory");
        }
        if (n < sound_->nb_samples) {
            // A short last block: the rest is silence.
            av_samples_set_silence(sound_->extended_data, n, sound_->nb_samples - n, audio_->ch_layout.nb_channels,
                                   audio_->sample_fmt);
        }
        av_audio_fifo_read(fifo_, reinterpret_cast<void**>(sound_->extended_data), n);
        sound_->pts = audioOut_;
        audioOut_ += n;
        int rc = avcodec_send_frame(audio_, sound_);
        if (rc < 0) {
            return SetFailure(CaptureErrorCode::EncoderFailed, "the audio encoder failed: " + AvError(rc));
        }
        if (!Drain(audio_, audioStream_, false)) {
            return false;
        }
    }
}

void CaptureWriter::Flush() {
    if (headerWritten_ && !Failed()) {
        sink_.Flush();
        if (wav_) {
            PatchWavHeader();
        } else if (avi_) {
            PatchAviHeader();
        }
    }
}

bool CaptureWriter::Finish() {
    if (finished_) {
        return !Failed();
    }
    finished_ = true;
    if (headerWritten_) {
        const bool hardFailure = sink_.LastFailure() != FileSink::Failure::None;
        if (!hardFailure) {
            if (audio_ != nullptr) {
                EncodeAudioFifo(true);
                avcodec_send_frame(audio_, nullptr);
                Drain(audio_, audioStream_, false);
            }
            if (video_ != nullptr) {
                DrainVideoEncoder();
                if (videoEnd_ > lastSlot_ + 1 && lastSlot_ >= 0 && !Failed()) {
                    // An empty chunk at the end: the last picture stays until the sound ends.
                    av_packet_unref(packet_);
                    packet_->stream_index = videoStream_->index;
                    packet_->pts = packet_->dts = av_rescale_q(videoEnd_ - 1, video_->time_base,
                                                               videoStream_->time_base);
                    packet_->duration = 1;
                    Mux(packet_, true);
                }
            }
        }
        int rc = av_write_trailer(fmt_);
        if (rc < 0 && !hardFailure) {
            FailFromWrite(rc, "writing the end of the file failed");
        }
    }
    sink_.Close();
    if (sink_.LastFailure() != FileSink::Failure::None && !Failed()) {
        FailFromWrite(0, "closing the file failed");
    }
    return !Failed();
}

}  // namespace pelta::engine::record
