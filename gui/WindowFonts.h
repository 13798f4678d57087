#pragma once
// The window's fonts: the application's font (the face and size the desktop
// chose) scaled for a place in the window, bold or not. No face and no pixel
// size is named anywhere else in the window; the pictures and the printed
// page keep their own.
#include <QFont>

namespace vorla::gui {

// `scale` times the application font's size: 1 is the desktop's own size.
QFont WindowFont(double scale, bool bold = true);

}  // namespace vorla::gui
