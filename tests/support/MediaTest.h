// A suite on the private display and sound server (Services.h), started once per program.
// Its tests are skipped where what the suite needs could not start; Ready() is the
// suite's own set-up, run only when they did.
#pragma once

#include "support/Services.h"

#include <gtest/gtest.h>

namespace pelta::test {

enum class Needs { Nothing, Display, DisplayAndSound };

class MediaTest : public ::testing::Test {
protected:
    explicit MediaTest(Needs needs = Needs::DisplayAndSound) : needs_(needs) {}
    static void SetUpTestSuite() { StartMediaServices(); }
    void SetUp() final {
        const MediaServices& s = StartMediaServices();
        if (needs_ == Needs::Display && !s.XvfbUp) GTEST_SKIP() << "no private display";
        if (needs_ == Needs::DisplayAndSound && (!s.XvfbUp || !s.PulseUp))
            GTEST_SKIP() << "no private display or sound server";
        Ready();
    }
    virtual void Ready() {}

private:
    Needs needs_;
};

}  // namespace pelta::test
