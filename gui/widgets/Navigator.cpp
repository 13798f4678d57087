#include "gui/widgets/Navigator.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

namespace vorla::gui {

namespace {

// A small black glyph: triangles pointing left or right, a bar, or a plus.
QIcon Glyph(Navigator::Button which) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  const auto triangle = [&p](bool left, double x) {
    QPainterPath path;
    if (left) {
      path.moveTo(x + 6, 3);
      path.lineTo(x, 8);
      path.lineTo(x + 6, 13);
    } else {
      path.moveTo(x, 3);
      path.lineTo(x + 6, 8);
      path.lineTo(x, 13);
    }
    path.closeSubpath();
    p.drawPath(path);
  };
  switch (which) {
    case Navigator::First:
      p.drawRect(QRectF(3, 3, 2, 10));
      triangle(true, 6);
      break;
    case Navigator::Prior:
      triangle(true, 5);
      break;
    case Navigator::Next:
      triangle(false, 5);
      break;
    case Navigator::Last:
      triangle(false, 4);
      p.drawRect(QRectF(11, 3, 2, 10));
      break;
    default:
      p.drawRect(QRectF(7, 3, 2, 10));
      p.drawRect(QRectF(3, 7, 10, 2));
      break;
  }
  return QIcon(pixmap);
}

}  // namespace

Navigator::Navigator(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::TabFocus);
  static const char* const tips[] = {"First record", "Prior record", "Next record", "Last record", "Insert record"};
  static const char* const names[] = {"nbFirst", "nbPrior", "nbNext", "nbLast", "nbInsert"};
  for (int i = 0; i < ButtonCount; ++i) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(names[i]));
    button->setIcon(Glyph(static_cast<Button>(i)));
    button->setToolTip(QString::fromLatin1(tips[i]));
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, i] { emit clicked(i); });
    buttons_[i] = button;
  }
}

void Navigator::SetPosition(bool atFirst, bool atLast) {
  buttons_[First]->setEnabled(!atFirst);
  buttons_[Prior]->setEnabled(!atFirst);
  buttons_[Next]->setEnabled(!atLast);
  buttons_[Last]->setEnabled(!atLast);
}

void Navigator::resizeEvent(QResizeEvent*) {
  const int w = width() / ButtonCount;
  for (int i = 0; i < ButtonCount; ++i)
    buttons_[i]->setGeometry(i * w, 0, i == ButtonCount - 1 ? width() - i * w : w, height());
}

void Navigator::paintEvent(QPaintEvent*) {
  if (!hasFocus()) return;
  QPainter p(this);
  p.setPen(QPen(palette().highlight().color(), 2));
  p.drawRect(rect().adjusted(1, 1, -1, -1));
}

void Navigator::keyPressEvent(QKeyEvent* event) {
  int button = -1;
  switch (event->key()) {
    case Qt::Key_Home:
      button = First;
      break;
    case Qt::Key_Left:
    case Qt::Key_PageUp:
      button = Prior;
      break;
    case Qt::Key_Right:
    case Qt::Key_PageDown:
      button = Next;
      break;
    case Qt::Key_End:
      button = Last;
      break;
    case Qt::Key_Insert:
      button = Insert;
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  if (buttons_[button]->isEnabled()) emit clicked(button);
}

}  // namespace vorla::gui
