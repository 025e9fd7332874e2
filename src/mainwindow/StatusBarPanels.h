// The main window's status bar `sbMain`: a row of panels, each a text or a lock-key indicator.
#pragma once

#include <QString>
#include <QWidget>
#include <vector>

namespace pelta {

enum class PanelStyle { Text, CapsLock, NumLock, ScrollLock };

struct StatusPanel {
    int WidthTwips = 1440;
    QString Text;                 // kept for indicator panels too, but not shown there
    PanelStyle Style = PanelStyle::Text;
    Qt::Alignment Alignment = Qt::AlignLeft;
    QString ToolTipText;
};

class StatusBarPanels final : public QWidget {
    Q_OBJECT
public:
    explicit StatusBarPanels(QWidget* parent = nullptr);

    int Count() const { return static_cast<int>(panels_.size()); }
    void Add();
    void Remove(int index);            // 1-based; throws std::out_of_range when missing
    void Clear();
    StatusPanel& Panel(int index);     // 1-based; throws std::out_of_range when missing
    const StatusPanel& Panel(int index) const;
    // Repaints, and tells a screen reader which panels now read differently.
    void Changed();

    // The lock state an indicator shows: 1 on, 0 off, -1 unknown (no keyboard extension).
    static int LockState(PanelStyle style);
    // The panel (1-based) under a point, or 0.
    int PanelAt(const QPoint& p) const;
    // The text a panel shows, cut short with "…" when its panel is too narrow for it.
    QString ShownText(int index) const;
    // What hovering over a panel shows: its whole text, which a narrow panel cuts short,
    // and below it the panel's own tool tip when it has one. Indicators name their key.
    QString ToolTipFor(int index) const;

signals:
    void PanelClicked(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;

private:
    std::vector<StatusPanel> panels_;
    std::vector<QString> announced_;  // the panel texts a screen reader was last told
};

}  // namespace pelta
