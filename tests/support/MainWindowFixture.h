// A fixture that loads the main window on a scriptable engine with scripted prompts and a
// private settings folder.
#pragma once

#include "mainwindow/MainFrm.h"
#include "settings/Globals.h"
#include "support/ScriptableEngine.h"
#include "support/ScriptedPrompts.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace pelta::test {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        bAutoName = bAddTime = bTopWindow = bWindowsDown = bSkipAutoCapture = false;
        sExt.clear();
    }
    // Builds and loads the main window; `script` runs on the engine before the load.
    MainFrm& Open(std::function<void(ScriptableEngine&)> script = {}) {
        main_ = std::make_unique<MainFrm>(ScriptableFactory(&engine_, std::move(script)));
        main_->Load();
        return *main_;
    }
    // One screen to capture and the modes it offers, as most window tests need.
    static void OneScreen(ScriptableEngine& e) {
        e.Video.Items = {{"Screen"}};
        e.AvailableModes = {0, 1, 2};
    }

    TempConfigHome home_;
    ScriptableEngine* engine_ = nullptr;
    ScriptedPrompts prompts_;
    std::unique_ptr<MainFrm> main_;
};

}  // namespace pelta::test
