#include "controls/TextFit.h"

#include "controls/xpcmdbutton.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <map>
#include <vector>

namespace pelta {

namespace {

constexpr int kSlack = 2;   // pixels two widgets may overlap and still count as side by side
constexpr int kMargin = 6;  // room kept between grown contents and a container's edge

bool Placed(const QWidget* w) { return !w->isWindow() && !w->isHidden(); }

bool SameRow(const QRect& a, const QRect& b) {
    return b.top() < a.bottom() - kSlack && b.bottom() > a.top() + kSlack;
}
bool SameColumn(const QRect& a, const QRect& b) {
    return b.left() < a.right() - kSlack && b.right() > a.left() + kSlack;
}

// Moves every sibling that starts at or past `edge` on the rows (or columns) of `grown`.
void PushAlong(const std::vector<QWidget*>& siblings, QWidget* grown, const QRect& before, int delta, bool across) {
    for (QWidget* s : siblings) {
        if (s == grown) continue;
        const QRect r = s->geometry();
        if (across && SameRow(before, r) && r.left() >= before.right() - kSlack) s->move(r.x() + delta, r.y());
        if (!across && SameColumn(before, r) && r.top() >= before.bottom() - kSlack) s->move(r.x(), r.y() + delta);
    }
}

// Grows `w` to its size, then its parents that have no layout, up to the window.
void GrowTo(QWidget* w, QSize wanted) {
    wanted = wanted.expandedTo(w->size());
    if (wanted == w->size()) return;
    if (w->isWindow()) {
        if (w->minimumSize() == w->maximumSize()) w->setFixedSize(wanted);
        else w->resize(wanted);
        return;
    }
    QWidget* parent = w->parentWidget();
    // A panel that fills its parent (the dialogs' background) grows the parent instead.
    if (parent && w->geometry() == parent->rect() && !parent->layout()) {
        GrowTo(parent, parent->size() + (wanted - w->size()));
        w->resize(wanted.expandedTo(parent->size()));
        return;
    }
    w->resize(wanted);
}

void FitContainer(QWidget* container) {
    std::vector<QWidget*> children;
    for (QObject* o : container->children())
        if (o->isWidgetType() && Placed(static_cast<QWidget*>(o))) children.push_back(static_cast<QWidget*>(o));
    if (children.empty()) return;
    const QSize contentsBefore = container->childrenRect().size();
    const int rightMargin = std::max(kMargin, container->width() - container->childrenRect().right() - 1);
    const int bottomMargin = std::max(kMargin, container->height() - container->childrenRect().bottom() - 1);
    // Captions that start a column together (same place, same width) stay a column: each
    // grows to what the longest of them needs, so the boxes beside them stay aligned.
    std::map<std::pair<int, int>, int> columnNeed;
    for (QWidget* w : children)
        if (qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w)) {
            int& need = columnNeed[{w->x(), w->width()}];
            need = std::max(need, TextWidthNeeded(w));
        }
    std::map<QWidget*, int> needs;
    for (QWidget* w : children) {
        const auto column = columnNeed.find({w->x(), w->width()});
        const bool caption = qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w);
        needs[w] = caption && column != columnNeed.end() && TextWidthNeeded(w) > 0 ? column->second : TextWidthNeeded(w);
    }
    // Left to right, so a widget moved by its neighbour is measured where it now stands.
    std::sort(children.begin(), children.end(),
              [](QWidget* a, QWidget* b) { return a->x() != b->x() ? a->x() < b->x() : a->y() < b->y(); });
    for (QWidget* w : children) {
        const QRect before = w->geometry();
        if (const int need = needs[w]; need > w->width()) {
            w->resize(need, w->height());
            PushAlong(children, w, before, need - before.width(), true);
        }
    }
    std::sort(children.begin(), children.end(),
              [](QWidget* a, QWidget* b) { return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x(); });
    for (QWidget* w : children) {
        const QRect before = w->geometry();
        if (const int need = WrappedHeightNeeded(w); need > w->height()) {
            w->resize(w->width(), need);
            PushAlong(children, w, before, need - before.height(), false);
        }
    }
    const QRect contents = container->childrenRect();
    if (contents.size() == contentsBefore) return;
    GrowTo(container, QSize(contents.right() + 1 + rightMargin, contents.bottom() + 1 + bottomMargin));
}

void FitTree(QWidget* w) {
    // Inner containers first: a frame that grows is then a wider child of its panel.
    for (QObject* o : w->children())
        if (o->isWidgetType() && !static_cast<QWidget*>(o)->isWindow()) FitTree(static_cast<QWidget*>(o));
    if (!w->layout() && !qobject_cast<QAbstractButton*>(w)) FitContainer(w);
}

}  // namespace

int TextWidthNeeded(const QWidget* w) {
    if (auto* l = qobject_cast<const QLabel*>(w)) {
        if (l->wordWrap() || l->text().isEmpty() || l->pixmap().isNull() == false) return 0;
        return l->sizeHint().width();
    }
    if (auto* b = qobject_cast<const xpcmdbutton*>(w))
        return b->CaptionLabel() && !b->Caption().isEmpty() ? b->CaptionLabel()->sizeHint().width() + 8 : 0;
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text().isEmpty() ? 0 : b->sizeHint().width();
    return 0;
}

int WrappedHeightNeeded(const QWidget* w) {
    auto* l = qobject_cast<const QLabel*>(w);
    if (!l || !l->wordWrap() || l->text().isEmpty()) return 0;
    return l->heightForWidth(l->width());
}

void GrowToFitTexts(QWidget* window) {
    if (!window || window->layout()) return;
    FitTree(window);
}

}  // namespace pelta
