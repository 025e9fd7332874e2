#include "engine/CaptureEngine.h"
#include "engine/EngineBinding.h"

namespace pelta {

EngineBinding CreateDefaultEngine(QWidget* parent) {
    auto* e = new CaptureEngine(parent);
    return {e, e};
}

}  // namespace pelta
