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
        try {
            options.WriteDeviceStatus();
        } catch (const EngineError&) {
        }
        try {
            options.BuildVideoSizeMenu();
        } catch (const EngineError&) {
        }
        engine.SetPreviewFit(2);
        engine.SetPreviewOn(true);
        options.UpdateMenuStatus();
        options.FillRestrictedLists();
    }

    static QStringList Captions(const ListMenu& list) {
        QStringList out;
        for (QAction* a : list.Menu->actions()) out << a->text();
        return out;
    }
    static QStringList Tags(const ListMenu& list) {
        QStringList out;
        for (QAction* a : list.Menu->actions()) out << Tag(a);
        return out;
    }
    static QStringList CheckedCaptions(const ListMenu& list) {
        QStringList out;
        for (QAction* a : list.Menu->actions())
            if (a->isChecked()) out << a->text();
        return out;
    }
    static bool AllEnabled(const ListMenu& list) {
        for (QAction* a : list.Menu->actions())
            if (!a->isEnabled()) return false;
        return true;
    }
    static bool NoneEnabled(const ListMenu& list) {
        for (QAction* a : list.Menu->actions())
            if (a->isEnabled()) return false;
        return true;
    }
    static void Click(const ListMenu& list, size_t k) { list.All.at(k)->trigger(); }

    QMainWindow window;
    MainMenus menus;
    ScriptableEngine engine;
    ScriptedPrompts prompts;
    std::map<int, QString> panels;
    OptionsMenus options;
};

}  // namespace pelta::test
