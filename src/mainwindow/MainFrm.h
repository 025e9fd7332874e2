// The main window: menu bar, the engine's preview surface, the status bar; start-up,
// layout, the engine's events and shutdown.
#pragma once

#include "engine/EngineBinding.h"
#include "engine/core/EngineContract.h"
#include "mainwindow/MainMenus.h"

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

namespace pelta {

class CaptureCommands;
class FileMenu;
class OptionsMenus;
class StatusBarPanels;

class MainFrm : public QMainWindow, public engine::EngineEvents {
    Q_OBJECT
public:
    // `factory` makes the engine; the default is the program's real engine.
    explicit MainFrm(EngineFactory factory = CreateDefaultEngine, QWidget* parent = nullptr);
    ~MainFrm() override;

    // The one main window of the program (nullptr before it is made / after it is gone).
    static MainFrm* Instance();

    // Runs the load sequence (the window stays hidden).
    void Load();

    engine::CaptureEngineContract& Engine() { return *engine_; }
    QWidget* EngineWidget() { return engineWidget_; }
    MainMenus& Menus() { return menus_; }
    OptionsMenus& Options() { return *options_; }
    CaptureCommands& Capture() { return *capture_; }
    FileMenu& File() { return *file_; }
    StatusBarPanels& sbMain() { return *sbMain_; }

    // Status panels, numbered from 1. Writing a missing panel does nothing.
    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;

    void ResetStatusBar();
    void WriteCaptureStatus(bool bCompleted);
    static QString GetFormatName(const QString& Code);
    void UnloadOtherForms(const QString& FormName);

    // Procedures other windows call.
    void DoCaptureAuto(int16_t& nMode);

    // Engine events (raised on the UI thread).
    void WindowKeyDown(int16_t& KeyCode, int16_t Shift) override;
    void CaptureEnded() override;
    void CaptureError(int32_t ErrorCode) override;
    void CaptureProgress(int32_t Unused) override;
    void DevicesSettled(const std::string& refusal) override;

    // Run by CaptureEnded while automatic naming is on: re-enables the Auto Buttons window.
    std::function<void()> OnCaptureEndedAutoButtons;

    bool bRecordingShown = false;
    QString sCaptureTime;

private:
    // A capture has shown progress since the last end (set with bRecordingShown, but kept
    // through a stop that rebuilt the panels): the end writes its final summary.
    bool summaryOwed_ = false;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayoutEngineWindow();
    // The frame count and time panels of a progress event.
    void WriteProgressCounts();

    MainMenus menus_;
    QWidget* engineWidget_ = nullptr;
    engine::CaptureEngineContract* engine_ = nullptr;
    std::function<void()> restoreEngineChoices_;
    StatusBarPanels* sbMain_ = nullptr;
    std::unique_ptr<OptionsMenus> options_;
    std::unique_ptr<CaptureCommands> capture_;
    std::unique_ptr<FileMenu> file_;
};

}  // namespace pelta
