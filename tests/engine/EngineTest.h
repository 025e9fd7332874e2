// The set-up most engine tests share: a capture engine on the private display and sound
// server, its events counted and a folder for its files, and the device choices and
// captures the tests begin with.
#pragma once

#include "CountingEvents.h"
#include "engine/CaptureEngine.h"
#include "engine/core/EngineCore.h"
#include "support/MediaTest.h"
#include "support/Pump.h"

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

namespace pelta::test {

// A change of device on the engine control is opened on the engine's own thread: waits until
// it has been, and its answer has been raised.
template <typename Engine>
void Settle(Engine& e) {
    const auto opening = [&] {
        if constexpr (requires { e.Core().OpeningDevices(); }) return e.Core().OpeningDevices();
        else return e.OpeningDevices();
    };
    PumpUntil([&] { return !opening(); });
    QApplication::processEvents();
}

// The built-in devices, listed last: the Test Pattern at its `size`-th size (0 is 320x240,
// 1 is 640x480; -1 leaves the size the device opens at) ...
template <typename Engine>
void UseTestPattern(Engine& e, int size = -1) {
    auto& v = e.VideoInputs();
    v.SetSelected(v.Count() - 1);
    if (size >= 0) e.VideoSizeList().SetSelected(size);
    Settle(e);
}
// ... and the Test Tone.
template <typename Engine>
void UseTestTone(Engine& e) {
    auto& a = e.AudioInputs();
    a.SetSelected(a.Count() - 1);
    Settle(e);
}

// Where the entry called `name` stands in one of the engine's lists, or -1.
template <typename List>
int32_t IndexNamed(List& list, const std::string& name) {
    for (int32_t i = 0; i < list.Count(); ++i)
        if (list.Item(i).DisplayName == name) return i;
    return -1;
}

// Where the first entry whose name holds `part` stands in one of the engine's lists, or -1.
template <typename List>
int32_t IndexContaining(List& list, const std::string& part) {
    for (int32_t i = 0; i < list.Count(); ++i)
        if (list.Item(i).DisplayName.find(part) != std::string::npos) return i;
    return -1;
}

// Where the device `url` (e.g. the sound server's "nullsink.monitor") stands in a list of
// the engine's devices, or -1.
inline int32_t DeviceIndex(const std::vector<engine::DeviceInfo>& devices, const std::string& url) {
    for (size_t i = 0; i < devices.size(); ++i)
        if (devices[i].Url == url) return int32_t(i);
    return -1;
}

class EngineTest : public MediaTest {
protected:
    using MediaTest::MediaTest;
    // A suite whose tests build their own engines overrides this with nothing.
    void Ready() override {
        engine_ = std::make_unique<CaptureEngine>();
        engine_->SetEventSink(&events_);
    }
    std::string Path(const char* name) const { return dir_.filePath(name).toStdString(); }
    // The next capture goes into Path(name), written as `format`.
    void Target(const char* name, int32_t format) {
        engine_->SetCaptureFileName(Path(name));
        engine_->SetOutputFormat(format);
    }
    // A capture into Path(name), ended by its time limit when `limit` is above 0.
    void Begin(const char* name, int32_t format, int32_t mode, double limit = 0) {
        Target(name, format);
        engine_->SetTimeLimitOn(limit > 0);
        engine_->SetTimeLimitSeconds(limit);
        engine_->PrepareCapture(mode);
        engine_->BeginCapture(mode);
    }
    // Waits until the capture begun last has started (its first progress event) or ended.
    bool WaitForStart(int progressBefore, int endedBefore) {
        return PumpUntil([&] { return events_.progress > progressBefore || events_.ended > endedBefore; }, 15000);
    }
    // Waits until `ended` captures in all have ended; says whether they have.
    bool WaitForEnd(int ended = 1, int ms = 30000) {
        return PumpUntil([&] { return events_.ended >= ended; }, ms);
    }
    // Ends the running capture and waits until the engine says its file is finished.
    bool End() {
        const int ended = events_.ended;
        engine_->EndCapture();
        return WaitForEnd(ended + 1);
    }
    // Waits until the running capture has taken `frames` pictures in all.
    bool WaitForFrames(int frames) {
        return PumpUntil([&] { return engine_->FramesCaptured() >= frames; }, 30000);
    }

    QTemporaryDir dir_;
    CountingEvents events_;
    std::unique_ptr<CaptureEngine> engine_;
};

}  // namespace pelta::test
