#include "engine/core/devices/SoundServer.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <set>

namespace pelta::engine {

namespace {
constexpr uint32_t kNone = UINT32_MAX;
uint32_t Owner(uint32_t module) { return module == PA_INVALID_INDEX ? kNone : module; }
}  // namespace

bool SoundReaches(const SoundGraph& g, const std::string& sink, const std::string& source) {
    // Nodes: sinks as (false, index), sources as (true, index).
    using Node = std::pair<bool, uint32_t>;
    std::map<Node, std::set<Node>> next;
    for (const auto& s : g.Sources)
        if (s.MonitorOf != kNone) next[{false, s.MonitorOf}].insert({true, s.Index});
    std::map<uint32_t, std::vector<Node>> in, out;
    std::set<uint32_t> withStreams;
    for (const auto& i : g.SinkInputs)
        if (i.OwnerModule != kNone) {
            out[i.OwnerModule].push_back({false, i.Device});
            withStreams.insert(i.OwnerModule);
        }
    for (const auto& o : g.SourceOutputs)
        if (o.OwnerModule != kNone) {
            in[o.OwnerModule].push_back({true, o.Device});
            withStreams.insert(o.OwnerModule);
        }
    for (const auto& s : g.Sinks)
        if (s.OwnerModule != kNone) in[s.OwnerModule].push_back({false, s.Index});
    for (const auto& s : g.Sources)
        if (s.OwnerModule != kNone && s.MonitorOf == kNone) out[s.OwnerModule].push_back({true, s.Index});
    for (uint32_t m : withStreams)
        for (const Node& a : in[m])
            for (const Node& b : out[m])
                if (a != b) next[a].insert(b);

    const SoundGraph::Device* from = nullptr;
    for (const auto& s : g.Sinks)
        if (s.Name == sink) from = &s;
    if (!from) return false;
    std::set<Node> seen{{false, from->Index}};
    std::deque<Node> todo{{false, from->Index}};
    while (!todo.empty()) {
        const Node n = todo.front();
        todo.pop_front();
        if (n.first)
            for (const auto& s : g.Sources)
                if (s.Index == n.second && s.Name == source) return true;
        for (const Node& m : next[n])
            if (seen.insert(m).second) todo.push_back(m);
    }
    return false;
}

bool SoundServerConfigured() {
    if (std::getenv("PULSE_SERVER")) return true;
    const char* rt = std::getenv("XDG_RUNTIME_DIR");
    return rt && std::filesystem::exists(std::string(rt) + "/pulse/native");
}

SoundServerLink::SoundServerLink(const char* streamName) {
    loop_ = pa_mainloop_new();
    context_ = pa_context_new(pa_mainloop_get_api(loop_), streamName);
}

SoundServerLink::~SoundServerLink() {
    // Disconnecting only closes the socket: it never waits for a server that does not answer.
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (loop_) pa_mainloop_free(loop_);
}

bool SoundServerLink::Iterate(std::chrono::milliseconds wait) {
    if (!loop_ || !context_) return false;
    if (pa_mainloop_prepare(loop_, static_cast<int>(wait.count() * 1000)) < 0) return false;
    if (pa_mainloop_poll(loop_) < 0) return false;
    pa_mainloop_dispatch(loop_);
    const pa_context_state_t s = pa_context_get_state(context_);
    return s != PA_CONTEXT_FAILED && s != PA_CONTEXT_TERMINATED;
}

bool SoundServerLink::RunUntil(const std::function<bool()>& done, Clock::time_point deadline) {
    while (!done()) {
        if (abort_ && abort_()) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        if (!Iterate(std::min(left, std::chrono::milliseconds(50)))) return false;
    }
    return true;
}

bool SoundServerLink::Ready() const { return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY; }

std::string SoundServerLink::LastError() const {
    return context_ ? pa_strerror(pa_context_errno(context_)) : "no sound server library";
}

bool SoundServerLink::Connect(Clock::time_point deadline, std::string& why) {
    if (!context_) {
        why = "the sound server library could not start";
        return false;
    }
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        why = LastError();
        return false;
    }
    if (RunUntil([this] { return Ready(); }, deadline)) return true;
    const pa_context_state_t s = pa_context_get_state(context_);
    why = s == PA_CONTEXT_FAILED || s == PA_CONTEXT_TERMINATED ? LastError() : "the sound server does not answer";
    return false;
}

namespace {
struct Fetch {
    SoundGraph* Graph;
    int Pending = 0;
    bool Failed = false;
};
template <typename Info>
bool Finished(Fetch* f, const Info* info, int eol) {
    if (eol != 0 || !info) {
        if (eol < 0) f->Failed = true;
        --f->Pending;
        return true;
    }
    return false;
}
}  // namespace

bool SoundServerLink::FetchGraph(SoundGraph& graph, Clock::time_point deadline) {
    if (!Ready()) return false;
    graph = SoundGraph{};
    Fetch f{&graph};
    auto track = [&](pa_operation* op) {
        if (op) {
            ++f.Pending;
            pa_operation_unref(op);
        } else {
            f.Failed = true;
        }
    };
    track(pa_context_get_server_info(
        context_,
        [](pa_context*, const pa_server_info* i, void* u) {
            auto* f = static_cast<Fetch*>(u);
            if (i && i->default_sink_name) f->Graph->DefaultSink = i->default_sink_name;
            --f->Pending;
        },
        &f));
    track(pa_context_get_sink_info_list(
        context_,
        [](pa_context*, const pa_sink_info* i, int eol, void* u) {
            auto* f = static_cast<Fetch*>(u);
            if (Finished(f, i, eol)) return;
            f->Graph->Sinks.push_back({i->index, i->name ? i->name : "", i->description ? i->description : "",
                                       Owner(i->owner_module), kNone});
        },
        &f));
    track(pa_context_get_source_info_list(
        context_,
        [](pa_context*, const pa_source_info* i, int eol, void* u) {
            auto* f = static_cast<Fetch*>(u);
            if (Finished(f, i, eol)) return;
            f->Graph->Sources.push_back({i->index, i->name ? i->name : "", i->description ? i->description : "",
                                         Owner(i->owner_module), Owner(i->monitor_of_sink)});
        },
        &f));
    track(pa_context_get_sink_input_info_list(
        context_,
        [](pa_context*, const pa_sink_input_info* i, int eol, void* u) {
            auto* f = static_cast<Fetch*>(u);
            if (Finished(f, i, eol)) return;
            f->Graph->SinkInputs.push_back({i->sink, Owner(i->owner_module)});
        },
        &f));
    track(pa_context_get_source_output_info_list(
        context_,
        [](pa_context*, const pa_source_output_info* i, int eol, void* u) {
            auto* f = static_cast<Fetch*>(u);
            if (Finished(f, i, eol)) return;
            f->Graph->SourceOutputs.push_back({i->source, Owner(i->owner_module)});
        },
        &f));
    // The callbacks point at `f`: a late answer ends the connection instead (disconnecting
    // cancels the questions without calling them).
    const bool answered = RunUntil([&] { return f.Pending == 0; }, deadline);
    if (!answered) pa_context_disconnect(context_);
    return answered && !f.Failed;
}

SoundServerRecording::SoundServerRecording(std::string source, int sampleRate, int channels)
    : link_("Pelta-RX"), source_(std::move(source)), rate_(sampleRate), channels_(channels) {}

SoundServerRecording::~SoundServerRecording() {
    if (stream_) {
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
}

bool SoundServerRecording::Open(Clock::time_point deadline, std::string& why) {
    if (!link_.Connect(deadline, why)) return false;
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = static_cast<uint32_t>(rate_);
    spec.channels = static_cast<uint8_t>(channels_);
    stream_ = pa_stream_new(link_.Context(), "Capture", &spec, nullptr);
    if (!stream_) {
        why = link_.LastError();
        return false;
    }
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(rate_ / 25 * channels_ * 2);  // about 40 ms a block
    if (pa_stream_connect_record(stream_, source_.c_str(), &attr, PA_STREAM_ADJUST_LATENCY) < 0) {
        why = link_.LastError();
        return false;
    }
    const auto settled = [this] {
        const pa_stream_state_t s = pa_stream_get_state(stream_);
        return s == PA_STREAM_READY || s == PA_STREAM_FAILED || s == PA_STREAM_TERMINATED;
    };
    if (!link_.RunUntil(settled, deadline)) {
        why = link_.Ready() ? "the sound server does not answer" : link_.LastError();
        return false;
    }
    if (pa_stream_get_state(stream_) != PA_STREAM_READY) {
        why = link_.LastError();
        return false;
    }
    return true;
}

bool SoundServerRecording::Read(std::chrono::milliseconds wait, const Take& take) {
    if (!stream_ || !link_.Iterate(wait)) return false;
    const size_t frameBytes = size_t(channels_) * 2;
    while (pa_stream_readable_size(stream_) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream_, &data, &bytes) < 0) return false;
        if (bytes == 0) break;
        take(static_cast<const int16_t*>(data), static_cast<int>(bytes / frameBytes));
        pa_stream_drop(stream_);
    }
    return pa_stream_get_state(stream_) == PA_STREAM_READY;
}

bool SnapshotSoundServer(SoundGraph& graph, std::chrono::milliseconds timeout) {
    if (!SoundServerConfigured()) return false;
    const auto deadline = SoundServerLink::Clock::now() + timeout;
    SoundServerLink link("Pelta-RX");
    std::string why;
    return link.Connect(deadline, why) && link.FetchGraph(graph, deadline);
}

}  // namespace pelta::engine
