// Small rules the Options and View menus share: the busy pointer, the Tag number and
// the check rule for list items.
#pragma once

#include "mainwindow/MainMenus.h"

#include <QAction>
#include <QString>
#include <cstdint>

namespace pelta::menus {

// The busy (hourglass) pointer for the length of a command. Restore() may come early,
// so that the pointer is back before the menus are brought up to date; the destructor
// restores it on every other way out, a failing engine call included.
class BusyPointer {
public:
    BusyPointer();
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    void Restore();

private:
    bool active_ = true;
};

// The number written in an item's Tag. A text that is not a number counts as 0,
// as the "DUMMY" placeholder's empty tag does.
double TagNumber(const QAction* item);

// The Tag read as a 32-bit integer, for writing an engine list's selection.
int32_t TagIndex(const QAction* item);

// The check rule: an item is checked exactly when its Tag's number equals `Selected`.
inline bool ListItemChecked(const QAction* item, int32_t selected) {
    return TagNumber(item) == static_cast<double>(selected);
}

// Number of existing elements among 0..last (a list can report more entries than its
// menu holds items; the menus are built once).
inline size_t ElementsUpTo(const ListMenu& list, int64_t last) {
    if (last < 0) return 0;
    const auto wanted = static_cast<size_t>(last) + 1;
    return wanted < list.All.size() ? wanted : list.All.size();
}

}  // namespace pelta::menus
