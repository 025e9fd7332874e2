// The picture processors as the user reaches them: the engine's Video Processors dialog.
#include "engine/CaptureEngine.h"
#include "engine/dialogs/ProcessorsDialog.h"
#include "support/ScriptedPrompts.h"

#include "support/Pump.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>

using namespace pelta;
using namespace pelta::engine;

namespace {

using pelta::test::PumpUntil;

bool AllGrey(const StillPicture& p) {
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) {
            const uint8_t* px = &p.Pixels[size_t(y) * size_t(p.Stride) + size_t(x) * 4];
            if (std::abs(px[0] - px[1]) > 2 || std::abs(px[1] - px[2]) > 2) return false;
        }
    return true;
}

// The engine's still picture once there is one (an empty one until then).
StillPicture Still(CaptureEngine& engine) {
    try {
        return engine.StillPictureHandle();
    } catch (const EngineError&) {
        return {};
    }
}

TEST(EngineProcessors, GreyScaleFromTheDialogReachesStillsAndFollowsTheSelection) {
    test::ScriptedPrompts prompts;
    CaptureEngine engine;
    EXPECT_FALSE(engine.DialogAvailable(DialogId::VideoProcessors));  // no video device yet
    auto& v = engine.VideoInputs();
    v.SetSelected(v.Count() - 1);  // Test Pattern
    EXPECT_TRUE(engine.DialogAvailable(DialogId::VideoProcessors));
    EXPECT_FALSE(engine.DialogAvailable(DialogId::VideoCompressor));
    ASSERT_TRUE(PumpUntil([&] { return !Still(engine).IsNull(); }));
    EXPECT_FALSE(AllGrey(engine.StillPictureHandle()));  // the pattern is in colour

    prompts.DialogScript = [](QDialog& d) {
        auto& dialog = static_cast<ProcessorsDialog&>(d);
        dialog.AddFilter("grey");
        EXPECT_EQ(dialog.lstChain->count(), 1);
        return int(QDialog::Accepted);
    };
    engine.OpenDialog(DialogId::VideoProcessors, 0);
    ASSERT_EQ(prompts.DialogsShown.size(), 1u);
    EXPECT_TRUE(PumpUntil([&] {
        const StillPicture still = Still(engine);
        return !still.IsNull() && AllGrey(still);
    }));

    // Removing it gives the colours back.
    prompts.DialogScript = [](QDialog& d) {
        auto& dialog = static_cast<ProcessorsDialog&>(d);
        dialog.lstChain->setCurrentRow(0);
        dialog.RemoveSelected();
        return int(QDialog::Accepted);
    };
    engine.OpenDialog(DialogId::VideoProcessors, 0);
    EXPECT_TRUE(PumpUntil([&] {
        const StillPicture still = Still(engine);
        return !still.IsNull() && !AllGrey(still);
    }));
    v.SetSelected(-1);
    EXPECT_THROW(engine.OpenDialog(DialogId::VideoProcessors, 0), EngineError);
}

}  // namespace
