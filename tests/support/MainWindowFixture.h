// A private settings folder, and a fixture that loads the main window on a scriptable
// engine with scripted prompts.
#pragma once

#include "mainwindow/MainFrm.h"
#include "settings/Globals.h"
#include "support/ScriptableEngine.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace pelta::test {

// Points the settings store at a fresh, empty folder for the life of the object.
struct TempConfigHome {
    TempConfigHome() { qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()); }
    QString path() const { return dir.path(); }
    QTemporaryDir dir;
};

// Creates (or truncates) `path` to `size` bytes, sparse where the filesystem allows.
inline bool WriteFileOfSize(const QString& path, qint64 size = 1) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.resize(size);
}

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

    TempConfigHome home_;
    ScriptableEngine* engine_ = nullptr;
    ScriptedPrompts prompts_;
    std::unique_ptr<MainFrm> main_;
};

}  // namespace pelta::test
