#include "gui/WindowFonts.h"

#include <QApplication>

namespace vorla::gui {

QFont WindowFont(double points, bool bold) {
  QFont font = QApplication::font();
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace vorla::gui
