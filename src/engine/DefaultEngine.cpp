#include "engine/CaptureEngine.h"
#include "engine/EngineBinding.h"
#include "engine/EngineProfileKeeper.h"
#include "settings/RegSettings.h"

#include <QFile>
#include <QFileInfo>
#include <memory>

namespace pelta {

EngineBinding CreateDefaultEngine(QWidget* parent) {
    auto* e = new CaptureEngine(parent);
    const QString folder = QFileInfo(CRegSettings::StoreFilePath()).absolutePath();
    const std::string path = QFile::encodeName(folder + u'/' + QLatin1String(engine::kProfileFileName)).toStdString();
    auto keeper = std::make_shared<EngineProfileKeeper>(*e, path);
    e->SetChoicesChanged([keeper] { keeper->Check(); });
    return {e, e, [keeper] { keeper->RestoreDevices(); }};
}

}  // namespace pelta
