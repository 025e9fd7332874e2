// Names and roles for screen readers. Qt names buttons, check boxes and menu items by their
// text, and a control by the label whose buddy it is. The program's windows place their
// labels beside their text boxes and lists instead, the way a screen reader on the
// original platform read them; NameControlsForScreenReaders gives each such control the
// text of its label: the label to its left on the same row, else the one just above it
// (for a check box without text, the label to its right). The "x" label that closes a
// dialog (`LblEnd`) is announced as a button named "Close" that a screen reader can press,
// and it takes the focus by Tab and closes with Space or Enter.
#pragma once

#include <QString>

class QWidget;

namespace pelta {

// Gives every text box, list and spin box under `window` that has neither a name nor a
// buddy its caption label as buddy (or, when that label already serves another control,
// the label's text as name), and every check box or option button without text the
// text of the label beside it.
void NameControlsForScreenReaders(QWidget* window);

// Program-wide: every window is named as above when it is first shown, and `LblEnd` labels
// get their button role. Call once after creating the application object.
void EnableScreenReaderNames();

// The property a widget sets (to a QAccessible::Role) to be reported with that role: the
// preview as a graphic, a frame of option buttons as a group. Set before the widget is shown.
inline constexpr const char* kRoleProperty = "peltaAccessibleRole";

// A label's text as a name: without "&" marks, markup and the trailing colon.
QString NameFromLabelText(const QString& text);

}  // namespace pelta
