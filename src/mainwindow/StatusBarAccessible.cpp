#include "mainwindow/StatusBarAccessible.h"

#include "controls/Twips.h"
#include "mainwindow/StatusBarPanels.h"

#include <QCoreApplication>

namespace pelta {

namespace {

// One panel: a piece of static text inside the bar, without a widget of its own.
class PanelAccessible final : public QAccessibleInterface {
public:
    PanelAccessible(StatusBarPanels* bar, int index) : bar_(bar), index_(index) {}

    bool isValid() const override { return bar_ && index_ < bar_->Count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return bar_ && bar_->window() ? bar_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(bar_.data()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = !isValid() || !bar_->isVisible();
        return s;
    }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name || t == QAccessible::Value) return StatusBarAccessible::PanelText(*bar_, index_);
        if (t == QAccessible::Description) {
            const QString tip = bar_->Panel(index_ + 1).ToolTipText;
            return tip == bar_->Panel(index_ + 1).Text ? QString() : tip;
        }
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        int x = 0;
        for (int i = 0; i < index_; ++i) x += TwipsToPixels(bar_->Panel(i + 1).WidthTwips);
        const QRect local(x, 0, TwipsToPixels(bar_->Panel(index_ + 1).WidthTwips), bar_->height());
        return QRect(bar_->mapToGlobal(local.topLeft()), local.size());
    }

private:
    QPointer<StatusBarPanels> bar_;
    int index_;
};

QAccessibleInterface* StatusBarFactory(const QString& classname, QObject* object) {
    if (classname == QLatin1String("pelta::StatusBarPanels") && object)
        return new StatusBarAccessible(static_cast<StatusBarPanels*>(object));
    return nullptr;
}

}  // namespace

StatusBarAccessible::StatusBarAccessible(StatusBarPanels* bar) : QAccessibleWidget(bar, QAccessible::StatusBar) {}

StatusBarAccessible::~StatusBarAccessible() {
    for (QAccessibleInterface* c : children_)
        if (c) QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(c));
}

StatusBarPanels* StatusBarAccessible::Bar() const { return static_cast<StatusBarPanels*>(widget()); }

int StatusBarAccessible::childCount() const { return Bar()->Count(); }

QAccessibleInterface* StatusBarAccessible::child(int index) const {
    if (index < 0 || index >= childCount()) return nullptr;
    if (children_.size() <= size_t(index)) children_.resize(size_t(index) + 1, nullptr);
    if (!children_[size_t(index)]) {
        // Registered, so the bridge can name it; the registry owns it from here.
        children_[size_t(index)] = new PanelAccessible(Bar(), index);
        QAccessible::registerAccessibleInterface(children_[size_t(index)]);
    }
    return children_[size_t(index)];
}

int StatusBarAccessible::indexOfChild(const QAccessibleInterface* child) const {
    for (size_t i = 0; i < children_.size(); ++i)
        if (children_[i] == child) return int(i);
    return -1;
}

QAccessibleInterface* StatusBarAccessible::childAt(int x, int y) const {
    const int panel = Bar()->PanelAt(Bar()->mapFromGlobal(QPoint(x, y)));
    return panel ? child(panel - 1) : nullptr;
}

QString StatusBarAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && Bar()->accessibleName().isEmpty())
        return QCoreApplication::translate("StatusBarPanels", "Status");
    return QAccessibleWidget::text(t);
}

QString StatusBarAccessible::PanelText(const StatusBarPanels& bar, int index) {
    const StatusPanel& panel = bar.Panel(index + 1);
    if (panel.Style == PanelStyle::Text) return panel.Text;
    const QString key = bar.ToolTipFor(index + 1).section(u'\n', 0, 0);
    const int state = StatusBarPanels::LockState(panel.Style);
    if (state < 0) return key;
    return state ? QCoreApplication::translate("StatusBarPanels", "%1 on").arg(key)
                 : QCoreApplication::translate("StatusBarPanels", "%1 off").arg(key);
}

void InstallStatusBarAccessible() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    QAccessible::installFactory(StatusBarFactory);
}

void AnnouncePanelChanges(StatusBarPanels& bar, std::vector<QString>& lastTexts) {
    lastTexts.resize(size_t(bar.Count()));
    if (!QAccessible::isActive()) {
        for (int i = 0; i < bar.Count(); ++i) lastTexts[size_t(i)] = bar.Panel(i + 1).Text;
        return;
    }
    QAccessibleInterface* barIface = QAccessible::queryAccessibleInterface(&bar);
    for (int i = 0; i < bar.Count(); ++i) {
        const QString& now = bar.Panel(i + 1).Text;
        if (now == lastTexts[size_t(i)]) continue;
        lastTexts[size_t(i)] = now;
        if (QAccessibleInterface* panel = barIface ? barIface->child(i) : nullptr) {
            QAccessibleEvent event(panel, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&event);
        }
    }
}

}  // namespace pelta
