#include "gui/WindowFonts.h"

#include <QApplication>

namespace vorla::gui {

QFont WindowFont(double scale, bool bold) {
  QFont font = QApplication::font();
  if (font.pointSizeF() > 0)
    font.setPointSizeF(font.pointSizeF() * scale);
  else
    font.setPixelSize(static_cast<int>(font.pixelSize() * scale + 0.5));
  font.setBold(bold);
  return font;
}

}  // namespace vorla::gui
