// How the main window gets its one engine: a preview widget and the contract behind it.
#pragma once

#include "engine/core/EngineContract.h"

#include <QWidget>
#include <functional>

namespace pelta {

struct EngineBinding {
    QWidget* Widget = nullptr;                          // the preview surface, parented to the main window
    engine::CaptureEngineContract* Engine = nullptr;    // lives exactly as long as Widget
};

using EngineFactory = std::function<EngineBinding(QWidget* parent)>;

// The engine the program runs on.
EngineBinding CreateDefaultEngine(QWidget* parent);

}  // namespace pelta
