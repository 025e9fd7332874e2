// Sequences whose failing steps are skipped: load sequences, status writing, shutdown.
#pragma once

#include <exception>

namespace pelta {

// Runs one step; a failure (an engine error or any other exception) is dropped and the
// caller goes on with its next step.
template <typename F>
void SkipFailure(F&& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

}  // namespace pelta
