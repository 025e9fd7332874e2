// A menu bar, the Options/View menus and a scriptable engine, started as the main window would.
#pragma once

#include "mainwindow/MainMenus.h"
#include "menus/OptionsMenus.h"
#include "support/ScriptableEngine.h"
#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <algorithm>
#include <map>

namespace pelta::test {

class MenusTest : public ::testing::Test {
protected:
    MenusTest() : options(menus, engine, &window, [this](int p, const QString& t) { panels[p] = t; }) {
        BuildMainMenuBar(window.menuBar(), menus);
        options.ConnectCommands();
    }

    // The main window's load order.
    void StartUp() {
        options.BuildDeviceMenu();
        options.BuildCompressorMenu();
        options.BuildRendererMenu();
        for (auto step : {&OptionsMenus::WriteDeviceStatus, &OptionsMenus::BuildVideoSizeMenu}) {
            try {
                (options.*step)();
            } catch (const EngineError&) {
            }
        }
        engine.SetPreviewFit(2);
        engine.SetPreviewOn(true);
        options.UpdateMenuStatus();
        options.FillRestrictedLists();
    }

    static QStringList Captions(const ListMenu& list, bool checkedOnly = false) {
        QStringList out;
        for (QAction* a : list.Menu->actions())
            if (!checkedOnly || a->isChecked()) out << a->text();
        return out;
    }
    static QStringList CheckedCaptions(const ListMenu& list) { return Captions(list, true); }
    static QStringList Tags(const ListMenu& list) {
        QStringList out;
        for (QAction* a : list.Menu->actions()) out << Tag(a);
        return out;
    }
    static qsizetype Enabled(const ListMenu& list) {
        const QList<QAction*> items = list.Menu->actions();
        return std::count_if(items.begin(), items.end(), [](QAction* a) { return a->isEnabled(); });
    }
    static bool AllEnabled(const ListMenu& list) { return Enabled(list) == list.Menu->actions().size(); }
    static bool NoneEnabled(const ListMenu& list) { return Enabled(list) == 0; }
    static void Click(const ListMenu& list, size_t k) { list.All.at(k)->trigger(); }

    QMainWindow window;
    MainMenus menus;
    ScriptableEngine engine;
    ScriptedPrompts prompts;
    std::map<int, QString> panels;
    OptionsMenus options;
};

}  // namespace pelta::test
