#include "engine/EngineBinding.h"

namespace pelta {

// Until the FFmpeg engine is bound here, the program runs without devices.
EngineBinding CreateDefaultEngine(QWidget* parent) { return CreateNullEngine(parent); }

}  // namespace pelta
