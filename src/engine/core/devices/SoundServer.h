// Talking to the sound server (PulseAudio, or PipeWire's PulseAudio service) with libpulse:
// a connection whose every wait is bounded, what the server knows about its outputs and
// inputs, and whether sound played into an output reaches a given input.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct pa_context;
struct pa_mainloop;
struct pa_mainloop_api;
struct pa_stream;

namespace pelta::engine {

// The server's outputs (sinks), inputs (sources) and the streams modules own, enough to
// follow where sound goes.
struct SoundGraph {
    struct Device {
        uint32_t Index = 0;
        std::string Name, Description;
        uint32_t OwnerModule = UINT32_MAX;  // UINT32_MAX: none
        uint32_t MonitorOf = UINT32_MAX;    // sources: the sink this is the monitor of
    };
    struct Stream {
        uint32_t Device = 0;  // the sink played into, or the source read from
        uint32_t OwnerModule = UINT32_MAX;
    };
    std::vector<Device> Sinks, Sources;
    std::vector<Stream> SinkInputs, SourceOutputs;
    std::string DefaultSink;
};

// Whether sound played into `sink` can come back in `source`: through the sink's monitor,
// or through modules that carry sound on (loopbacks, virtual and combined outputs, remapped
// inputs), following every step. A module is taken to pass what it reads (its own sinks
// and the sources its streams record) to everything it gives out (its own sources and the
// sinks its streams play into); modules with no streams (sound cards, null outputs) pass
// nothing on.
bool SoundReaches(const SoundGraph& graph, const std::string& sink, const std::string& source);

// Whether a server may be there to ask (its socket, or an explicit address).
bool SoundServerConfigured();

// One connection to the server, driven by whoever owns it (no thread of its own); every
// wait ends by its deadline.
class SoundServerLink {
public:
    using Clock = std::chrono::steady_clock;
    explicit SoundServerLink(const char* streamName);
    ~SoundServerLink();
    SoundServerLink(const SoundServerLink&) = delete;
    SoundServerLink& operator=(const SoundServerLink&) = delete;

    // Connects and waits until the server answers; false with the reason otherwise.
    bool Connect(Clock::time_point deadline, std::string& why);
    // Handles what the server sent, waiting up to `wait` for something to arrive. False
    // once the connection is gone.
    bool Iterate(std::chrono::milliseconds wait);
    // Iterates until `done` is true (true), the connection fails or the deadline passes.
    bool RunUntil(const std::function<bool()>& done, Clock::time_point deadline);
    bool Ready() const;
    std::string LastError() const;
    // Every wait also ends as soon as this says so (the owner is closing).
    void SetAbort(std::function<bool()> abort) { abort_ = std::move(abort); }

    // Asks for the whole graph; false when the server does not answer in time.
    bool FetchGraph(SoundGraph& graph, Clock::time_point deadline);

    pa_context* Context() const { return context_; }

private:
    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    std::function<bool()> abort_;
};

// Records one of the server's sources as interleaved 16-bit samples, on the owner's thread.
class SoundServerRecording {
public:
    using Clock = SoundServerLink::Clock;
    SoundServerRecording(std::string source, int sampleRate, int channels);
    ~SoundServerRecording();
    SoundServerRecording(const SoundServerRecording&) = delete;
    SoundServerRecording& operator=(const SoundServerRecording&) = delete;

    void SetAbort(std::function<bool()> abort) { link_.SetAbort(std::move(abort)); }
    // Connects and starts the recording; false with the reason.
    bool Open(Clock::time_point deadline, std::string& why);
    // Waits up to `wait` for sound and hands over each block in order (`samples` null: a
    // gap of that many frames). False once the connection or the recording is gone.
    using Take = std::function<void(const int16_t* samples, int frames)>;
    bool Read(std::chrono::milliseconds wait, const Take& take);
    std::string LastError() const { return link_.LastError(); }

private:
    SoundServerLink link_;
    std::string source_;
    int rate_, channels_;
    pa_stream* stream_ = nullptr;
};

// The server's sources (with their monitors) and sinks, asked once; empty when no server
// answers before the deadline.
bool SnapshotSoundServer(SoundGraph& graph, std::chrono::milliseconds timeout);

}  // namespace pelta::engine
