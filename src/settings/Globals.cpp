#include "settings/Globals.h"

#include "settings/RegSettings.h"

namespace pelta {

CRegSettings* gSettings = nullptr;
QString gSection;
int16_t gRetVal = 0;

bool bAutoName = false;
bool bAddTime = false;
bool bTopWindow = false;
bool bWindowsDown = false;
bool bSaveExt = false;
QString sExt;
QString sAutoSaveDir;

bool bSkipAutoCapture = false;
QString sAutoFileName;
int16_t nTargetFormat = 0;
QString sCaptureExt;

int16_t nSpaceDialog = 0;
int64_t lFileLength = 0;
QString sFileTitle;
QByteArray bytTargetBuffer;

void CreateProgramSettings() {
    static CRegSettings store;
    gSettings = &store;
    gSettings->SetCompany(QStringLiteral("Fenwick Software"));
    gSettings->SetAppName(QStringLiteral("Pelta-RX v1.5"));
    gSection = QStringLiteral("Preferences");
}

void ReadBooleanSetting(const QString& key, bool& flag) {
    if (gSettings) SettingsSnapshot(*gSettings, gSection).ReadBoolean(key, flag);
}

}  // namespace pelta
