#pragma once
// The window's fonts: the face the desktop chose for applications, at a
// size in points, bold or not. No face and no pixel size is named anywhere
// else in the window; the pictures and the printed page keep their own.
// The sizes are the window's own, so that its pages keep the room they were
// drawn with whatever size the desktop's text has.
#include <QFont>

namespace vorla::gui {

QFont WindowFont(double points, bool bold = true);

}  // namespace vorla::gui
