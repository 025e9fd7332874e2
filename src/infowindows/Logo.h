// The product logo: a film frame with a red recording dot. One drawing serves the splash,
// the window icon and the installed icons, so they always match.
#pragma once

#include <QIcon>
#include <QImage>
#include <QRectF>
#include <QString>

class QPainter;

namespace pelta {

// The name under which the icon and the desktop entry are installed.
QString ProgramId();

// Paints the logo into `area`, keeping the frame's 4:3 shape centred in it.
void PaintLogo(QPainter& painter, const QRectF& area);
// A square picture of the logo, `size` x `size` pixels on a transparent ground.
QImage LogoImage(int size);
// The window icon: the installed theme icon when there is one, else the logo drawn at the
// usual icon sizes.
QIcon ProgramIcon();

}  // namespace pelta
