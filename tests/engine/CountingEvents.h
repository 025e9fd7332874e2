// The engine's events as a test reads them back: how many progress and end events came,
// and every error code in order.
#pragma once

#include "engine/core/EngineContract.h"

#include <cstdint>
#include <vector>

namespace pelta::test {

struct CountingEvents final : engine::EngineEvents {
    int progress = 0, ended = 0;
    std::vector<int32_t> errors;
    void WindowKeyDown(int16_t&, int16_t) override {}
    void CaptureEnded() override { ++ended; }
    void CaptureError(int32_t c) override { errors.push_back(c); }
    void CaptureProgress(int32_t) override { ++progress; }
};

}  // namespace pelta::test
