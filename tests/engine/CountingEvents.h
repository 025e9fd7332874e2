// The engine's events as a test reads them back: how many progress and end events came,
// every error code in order, and the answers to changes of device.
#pragma once

#include "engine/core/EngineContract.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pelta::test {

struct CountingEvents final : engine::EngineEvents {
    int progress = 0, ended = 0;
    std::vector<int32_t> errors;
    std::vector<std::string> settled;  // empty words: the device opened
    void WindowKeyDown(int16_t&, int16_t) override {}
    void CaptureEnded() override { ++ended; }
    void CaptureError(int32_t c) override { errors.push_back(c); }
    void CaptureProgress(int32_t) override { ++progress; }
    void DevicesSettled(const std::string& refusal) override { settled.push_back(refusal); }
};

}  // namespace pelta::test
