#include "engine/core/preview/PreviewSound.h"

#include "engine/core/devices/SoundServer.h"

#include <pulse/context.h>
#include <pulse/stream.h>
#include <pulse/subscribe.h>

#include <algorithm>
#include <chrono>

namespace pelta::engine {

namespace {
constexpr auto kAnswerWithin = std::chrono::milliseconds(1500);
constexpr auto kRetryEvery = std::chrono::milliseconds(1000);
}  // namespace

// One connection to the server: the playback stream (when one is allowed) and the
// subscription that says when to look again.
class PreviewSound::Session {
public:
    explicit Session(PreviewSound& owner) : owner_(owner), link_("Pelta-RX") { link_.SetAbort([&owner] { return owner.stopping_.load(); }); }
    ~Session() { CloseStream(); }

    bool Start() {
        std::string why;
        if (!link_.Connect(SoundServerLink::Clock::now() + kAnswerWithin, why)) return false;
        pa_context_set_subscribe_callback(
            link_.Context(), [](pa_context*, pa_subscription_event_type_t, uint32_t, void* self) {
                static_cast<Session*>(self)->changed_ = true;
            },
            this);
        pa_operation* op = pa_context_subscribe(
            link_.Context(),
            static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE |
                                                PA_SUBSCRIPTION_MASK_SINK_INPUT |
                                                PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT | PA_SUBSCRIPTION_MASK_MODULE |
                                                PA_SUBSCRIPTION_MASK_SERVER),
            nullptr, nullptr);
        if (op) pa_operation_unref(op);
        return true;
    }

    // One turn: looks at the server again when it changed, plays what waits. False when
    // the connection is gone.
    bool Turn() {
        if (changed_) {
            changed_ = false;
            if (!Decide()) return false;
        }
        if (!link_.Iterate(std::chrono::milliseconds(20))) return false;
        const bool ready = stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY;
        if (stream_ && !ready && pa_stream_get_state(stream_) != PA_STREAM_CREATING) {
            CloseStream();  // its output went away; the next change decides again
            changed_ = true;
        }
        const size_t room = ready ? pa_stream_writable_size(stream_) : 0;
        for (auto& block : owner_.Take(!ready, room))
            if (ready) pa_stream_write(stream_, block.data(), block.size() * sizeof(int16_t), nullptr, 0, PA_SEEK_RELATIVE);
        return true;
    }

private:
    // Where the sound would go, and whether it may go there.
    bool Decide() {
        SoundGraph graph;
        if (!link_.FetchGraph(graph, SoundServerLink::Clock::now() + kAnswerWithin)) return false;
        const std::string target = owner_.sink_.empty() ? graph.DefaultSink : owner_.sink_;
        // The stream may have been moved elsewhere (by the user, or when its output left).
        std::string current;
        if (stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY)
            if (const char* name = pa_stream_get_device_name(stream_)) current = name;
        const auto loops = [&](const std::string& sink) {
            return !owner_.source_.empty() && !sink.empty() && SoundReaches(graph, sink, owner_.source_);
        };
        if (target.empty() || loops(target) || (!current.empty() && loops(current))) {
            CloseStream();
            owner_.state_ = int(target.empty() ? State::NoServer : State::HeldBack);
            return true;
        }
        if (stream_ && target != streamTarget_) CloseStream();  // the default output changed
        if (!stream_) OpenStream(target);
        owner_.state_ = int(State::Playing);
        return true;
    }

    void OpenStream(const std::string& sink) {
        pa_sample_spec spec{};
        spec.format = PA_SAMPLE_S16LE;
        spec.rate = static_cast<uint32_t>(owner_.rate_);
        spec.channels = static_cast<uint8_t>(owner_.channels_);
        stream_ = pa_stream_new(link_.Context(), "Preview", &spec, nullptr);
        if (!stream_) return;
        pa_stream_set_moved_callback(
            stream_, [](pa_stream*, void* self) { static_cast<Session*>(self)->changed_ = true; }, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(owner_.rate_ * owner_.channels_ * 2 / 10);  // about 100 ms
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        // Named explicitly, so that no remembered routing puts it somewhere else.
        if (pa_stream_connect_playback(stream_, sink.c_str(), &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
            CloseStream();
            return;
        }
        streamTarget_ = sink;
    }

    void CloseStream() {
        if (!stream_) return;
        pa_stream_set_moved_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
        streamTarget_.clear();
    }

    PreviewSound& owner_;
    SoundServerLink link_;
    pa_stream* stream_ = nullptr;
    std::string streamTarget_;
    bool changed_ = true;
};

PreviewSound::PreviewSound(std::string sink, std::string heardSource, int sampleRate, int channels,
                           std::atomic<int>* state)
    : sink_(std::move(sink)),
      source_(std::move(heardSource)),
      rate_(sampleRate),
      channels_(channels),
      state_(state ? *state : ownState_) {
    state_ = int(State::Starting);
    thread_ = std::thread([this] { Run(); });
}

PreviewSound::~PreviewSound() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    stopping_ = true;
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void PreviewSound::Push(const int16_t* samples, int frames) {
    std::lock_guard lock(mutex_);
    if (blocks_.size() >= kMaxBlocks) blocks_.pop_front();
    blocks_.emplace_back(samples, samples + size_t(frames) * size_t(channels_));
}

bool PreviewSound::Stopping() {
    std::lock_guard lock(mutex_);
    return stop_;
}

std::vector<std::vector<int16_t>> PreviewSound::Take(bool all, size_t bytes) {
    std::vector<std::vector<int16_t>> out;
    std::lock_guard lock(mutex_);
    // A block is written once there is any room, so the server's buffer always fills up to
    // where it starts playing (by at most one block more than asked).
    while (!blocks_.empty() && (all || bytes > 0)) {
        if (!all) bytes -= std::min(bytes, blocks_.front().size() * sizeof(int16_t));
        out.push_back(std::move(blocks_.front()));
        blocks_.pop_front();
    }
    return out;
}

void PreviewSound::Run() {
    while (!Stopping()) {
        {
            Session session(*this);
            if (session.Start())
                while (!Stopping() && session.Turn()) {
                }
        }
        if (Stopping()) break;
        // No server, or it went away: what arrives meanwhile is dropped, and it is asked again.
        state_ = int(State::NoServer);
        std::unique_lock lock(mutex_);
        blocks_.clear();
        cv_.wait_for(lock, kRetryEvery, [this] { return stop_; });
    }
}

}  // namespace pelta::engine
