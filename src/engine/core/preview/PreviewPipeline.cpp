#include "engine/core/preview/PreviewPipeline.h"

#include <algorithm>
#include <cmath>
#include <pthread.h>

namespace pelta::engine {

PreviewPipeline::PreviewPipeline(PreviewView& view, Hooks hooks) : view_(view), hooks_(std::move(hooks)) {
    thread_ = std::thread([this] {
        pthread_setname_np(pthread_self(), "preview");
        Loop();
    });
}

PreviewPipeline::~PreviewPipeline() {
    mailbox_.Lock()->Stop = true;
    mailboxCv_.notify_all();
    thread_.join();
    av_frame_free(&mailbox_.Lock()->Picture);
}

void PreviewPipeline::DropWaiting() {
    auto box = mailbox_.Lock();
    av_frame_free(&box->Picture);
    ++box->DeviceEpoch;
}

void PreviewPipeline::OnSourceVideoFrame(const AVFrame* frame, AVRational) {
    if (view_.Tap == 0) Offer(frame, true, false);
}

void PreviewPipeline::OnVideoFrame(const AVFrame* frame, AVRational) {
    const int tap = view_.Tap;
    if (tap == 1) Offer(frame, !hooks_.ProcessorsActive(), false);
    else if (tap == 2) Offer(frame, false, true);
}

void PreviewPipeline::OnSourceLost(bool, const std::string&) { hooks_.Repaint(); }

// On the device's thread: decides cheaply whether the picture is wanted and leaves it for
// the preview thread. Nothing here converts, encodes or waits on the preview.
void PreviewPipeline::Offer(const AVFrame* frame, bool mayBeUnchanged, bool compress) {
    if (!view_.WillShow()) return;
    const bool current = view_.Generation == convertedGeneration_;
    const int cap = hooks_.RateCap();
    const bool unchanged = mayBeUnchanged && IsUnchanged(frame);
    {
        auto box = mailbox_.Lock();
        // A still screen: the picture already shown (or waiting to be) is still right.
        if (unchanged && current && !box->MissedChange) {
            ++skipped_;
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (cap > 0 && current) {
            if (now < box->NextShow) {
                box->MissedChange |= !unchanged;
                ++skipped_;
                return;
            }
            // A little slack, so that a 30 fps device capped at 15 shows every other picture.
            box->NextShow = now + std::chrono::microseconds(900000 / cap);
        }
        AVFrame* copy = av_frame_clone(frame);  // a new reference, no pixel copy
        if (!copy) return;
        if (box->Picture || box->MissedChange) {
            // The waiting picture is replaced (or changes were passed over): their changes
            // are not in the newer one's area.
            if (box->Picture) ++skipped_;
            av_frame_free(&box->Picture);
            mayBeUnchanged = false;
            av_dict_set(&copy->metadata, kChangedAreaKey, nullptr, 0);
        }
        box->MissedChange = false;
        box->Picture = copy;
        box->MayBeUnchanged = mayBeUnchanged;
        box->Compress = compress;
    }
    mailboxCv_.notify_one();
}

void PreviewPipeline::Loop() {
    for (;;) {
        AVFrame* frame = nullptr;
        bool mayBeUnchanged = false, compress = false;
        uint64_t epoch = 0;
        {
            auto box = mailbox_.Lock();
            box.Wait(mailboxCv_, [&] { return box->Stop || box->Picture; });
            if (box->Stop) return;
            std::swap(frame, box->Picture);
            mayBeUnchanged = box->MayBeUnchanged;
            compress = box->Compress;
            epoch = box->DeviceEpoch;
        }
        if (compress && view_.WillShow()) {
            if (AVFrame* compressed = hooks_.Compress(frame)) {
                ++compressed_;
                av_frame_free(&frame);
                frame = compressed;
            }
        }
        Present(frame, mayBeUnchanged, epoch);
        av_frame_free(&frame);
    }
}

// On the preview thread: converts the picture for the window and hands it over.
void PreviewPipeline::Present(const AVFrame* frame, bool mayBeUnchanged, uint64_t deviceEpoch) {
    if (!view_.WillShow()) return;
    const int sw = view_.SurfaceW, sh = view_.SurfaceH;
    const uint64_t generation = view_.Generation;
    if (mayBeUnchanged && IsUnchanged(frame) && generation == convertedGeneration_) {
        ++skipped_;
        return;
    }
    const PreviewSettings settings = settings_.Get();
    const int fit = view_.FullScreenShown ? 0 : view_.Fit.load();
    // Only "fit" keeps a shape; the chosen aspect ratio stands in for the picture's own.
    const int shapeW = fit == 0 ? PreviewAspectWidth(settings, frame->width, frame->height) : frame->width;
    ShownPicture shown;
    shown.Rect = PreviewRectFor(fit, shapeW, frame->height, sw, sh);
    shown.Picture = converter_.Convert(frame, shown.Rect, sw, sh, PreviewScaleFlags(settings));
    // Only the part that changed is drawn again, when the source says which part and the
    // picture lands 1:1 where the last one did.
    shown.Dirty = PictureRect{0, 0, sw, sh};
    ChangedArea changed;
    if (shown.Picture.ZeroCopy && generation == convertedGeneration_ && shown.Rect == hooks_.ShownRect() &&
        GetChangedArea(frame, changed))
        shown.Dirty = PictureRect{shown.Rect.X + changed.X, shown.Rect.Y + changed.Y, changed.Width, changed.Height};
    shown.Generation = generation;
    shown.DeviceEpoch = deviceEpoch;
    shown.From = this;
    hooks_.Show(shown);
}

void PreviewPipeline::OnAudioFrame(const AVFrame* frame, AVRational) {
    // A peak meter for the audio-only preview.
    double peak = 0;
    const int channels = frame->ch_layout.nb_channels;
    if (frame->format == AV_SAMPLE_FMT_S16) {
        const auto* s = reinterpret_cast<const int16_t*>(frame->data[0]);
        for (int i = 0; i < frame->nb_samples * channels; ++i) peak = std::max(peak, std::abs(s[i]) / 32768.0);
    } else if (frame->format == AV_SAMPLE_FMT_FLT) {
        const auto* s = reinterpret_cast<const float*>(frame->data[0]);
        for (int i = 0; i < frame->nb_samples * channels; ++i) peak = std::max(peak, double(std::fabs(s[i])));
    }
    level_ = std::max(peak, level_.load() * 0.85);
    // Sound is heard with either preview source that has it ("Video and Audio", "Audio
    // only"); PreviewSound itself refuses outputs whose sound would come back in this input.
    const int input = view_.Input;
    const bool on = view_.On;
    if (on && input != 1 && frame->format == AV_SAMPLE_FMT_S16 && channels > 0) {
        const auto [sink, heard] = hooks_.SoundRoute();
        if (!sound_ || sound_->Sink() != sink || sound_->HeardSource() != heard ||
            sound_->SampleRate() != frame->sample_rate || sound_->Channels() != channels) {
            sound_.reset();  // the old one keeps the shared state no longer
            sound_ = std::make_unique<PreviewSound>(sink, heard, frame->sample_rate, channels, &soundState_);
        }
        sound_->Push(reinterpret_cast<const int16_t*>(frame->data[0]), frame->nb_samples);
    } else if (sound_) {
        sound_.reset();
        soundState_ = int(PreviewSound::State::Starting);
    }
    // The meter moves: in "Audio only", and over the picture while the sound is held back.
    if (on && (input == 2 || (input == 0 && SoundState() == PreviewSound::State::HeldBack))) hooks_.Repaint();
}

}  // namespace pelta::engine
