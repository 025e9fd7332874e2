// Windows placed by coordinates (the dialogs, the splash, the About and Auto Buttons
// windows) grow to fit their texts: a translation longer than the English widens the
// label or button that holds it, moves what stands to its right (or, for a wrapped text,
// below it) along, and enlarges the panel and the window to hold everything. The English
// geometry is the minimum: nothing ever shrinks.
#pragma once

class QWidget;

namespace pelta {

// Does the above for every container under `window` that has no Qt layout. Called for
// every window when it is first shown (EnableScreenReaderNames installs that).
void GrowToFitTexts(QWidget* window);

// The width `w` needs to show its whole text (0 for a widget without a text of its own),
// and for a wrapped label the height it needs at its width.
int TextWidthNeeded(const QWidget* w);
int WrappedHeightNeeded(const QWidget* w);

}  // namespace pelta
