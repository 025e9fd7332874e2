// Program-wide state that several windows share.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace pelta {

class CRegSettings;

// Settings store and its section.
extern CRegSettings* gSettings;
extern QString gSection;
extern int16_t gRetVal;  // return code of the last store operation (0 = success)

// Settings-backed preferences.
extern bool bAutoName;
extern bool bAddTime;
extern bool bTopWindow;
extern bool bWindowsDown;
extern bool bSaveExt;
extern QString sExt;
extern QString sAutoSaveDir;

// Capture state.
extern bool bSkipAutoCapture;
extern QString sAutoFileName;
extern int16_t nTargetFormat;
extern QString sCaptureExt;

// Disk and file helpers' shared values.
extern int16_t nSpaceDialog;
extern int64_t lFileLength;
extern QString sFileTitle;
extern QByteArray bytTargetBuffer;

// Creates gSettings (once) with the program's company, application and section names.
void CreateProgramSettings();

// Reads a Boolean setting into `flag`; a text that is not a Boolean leaves it unchanged.
void ReadBooleanSetting(const QString& key, bool& flag);

}  // namespace pelta
