// The desktop's screen question comes when the user can see what it is for: at start-up the
// screen's portal is asked nothing until the main window is up (the splash shows first), and a
// refusal nobody is waiting for (a start-up choice, a chooser cancelled late) is told in a
// message box, as a refusal of a choice from the menu is.
#pragma once

class QWidget;

namespace pelta {

// Call before the main window is loaded.
void HoldScreenRequests();
// The held requests go out once `mainWindow` is first shown; refusals are told from then on.
void ReleaseScreenRequestsWhenShown(QWidget* mainWindow);

}  // namespace pelta
