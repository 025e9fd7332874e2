// What a screen reader learns from the painted status bar: a status bar whose children are
// its panels, each named by its whole text (an indicator by its key and whether it is on).
// A panel whose text changes is announced as a name change.
#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <QString>
#include <vector>

namespace pelta {

class StatusBarPanels;

class StatusBarAccessible final : public QAccessibleWidget {
public:
    explicit StatusBarAccessible(StatusBarPanels* bar);
    ~StatusBarAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;

    // The text a panel (0-based) reads as.
    static QString PanelText(const StatusBarPanels& bar, int index);

private:
    StatusBarPanels* Bar() const;
    mutable std::vector<QAccessibleInterface*> children_;
};

// Installs the factory that gives StatusBarPanels the interface above (once).
void InstallStatusBarAccessible();

// Announces every panel whose text differs from the last announced one.
void AnnouncePanelChanges(StatusBarPanels& bar, std::vector<QString>& lastTexts);

}  // namespace pelta
