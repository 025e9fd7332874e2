// The start-up splash: loads the main window hidden, shows itself, and on a click closes and
// brings up the main window.
#pragma once

#include "engine/EngineBinding.h"

#include <QWidget>

class QLabel;

namespace pelta {

class MainFrm;

class Register final : public QWidget {
    Q_OBJECT
public:
    explicit Register(EngineFactory factory = CreateDefaultEngine, QWidget* parent = nullptr);

    // Loads the main window (hidden) and brings the splash forward.
    void Load();
    // A click on one of the click targets.
    void Dismiss();
    MainFrm* Main() const { return main_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EngineFactory factory_;
    MainFrm* main_ = nullptr;
    QWidget* logo_ = nullptr;
};

}  // namespace pelta
