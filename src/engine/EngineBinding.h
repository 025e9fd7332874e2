// How the main window gets its one engine: a preview widget and the contract behind it.
#pragma once

#include "engine/core/EngineContract.h"

#include <QWidget>
#include <functional>

namespace pelta {

struct EngineBinding {
    QWidget* Widget = nullptr;                          // the preview surface, parented to the main window
    engine::CaptureEngineContract* Engine = nullptr;    // lives exactly as long as Widget
    // Puts the engine's remembered devices back once start-up has selected the first ones
    // (empty for engines that remember nothing); called while the engine lives.
    std::function<void()> RestoreChoices;
};

using EngineFactory = std::function<EngineBinding(QWidget* parent)>;

// The engine the program runs on, with its profile kept beside the settings file.
EngineBinding CreateDefaultEngine(QWidget* parent);

}  // namespace pelta
