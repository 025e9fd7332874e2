// A suite on the private display and sound server (Services.h), started once per program.
// Where what the suite needs did not start, its tests fail in CI and are skipped elsewhere,
// saying why; Ready() is the suite's own set-up, run only when they did start.
#pragma once

#include "support/Pump.h"
#include "support/Services.h"

#include <gtest/gtest.h>

// Ends the test when `up` is false: a failure in CI (CI=true), a skip elsewhere; `what` names
// the service that did not start.
#define PELTA_NEEDS_SERVICE(up, what)                                                      \
    do {                                                                                   \
        if (!(up)) {                                                                       \
            if (::pelta::test::InCi()) GTEST_FAIL() << what << " did not start";           \
            GTEST_SKIP() << what << " did not start (in CI, with CI=true, this fails)";    \
        }                                                                                  \
    } while (0)

namespace pelta::test {

enum class Needs { Nothing, Display, DisplayAndSound };

class MediaTest : public ::testing::Test {
protected:
    explicit MediaTest(Needs needs = Needs::DisplayAndSound) : needs_(needs) {}
    static void SetUpTestSuite() { StartMediaServices(); }
    void SetUp() final {
        const MediaServices& s = StartMediaServices();
        if (needs_ != Needs::Nothing) PELTA_NEEDS_SERVICE(s.XvfbUp, "the private display (Xvfb)");
        if (needs_ == Needs::DisplayAndSound) PELTA_NEEDS_SERVICE(s.PulseUp, "the private sound server (PulseAudio)");
        Ready();
    }
    virtual void Ready() {}

private:
    Needs needs_;
};

}  // namespace pelta::test
