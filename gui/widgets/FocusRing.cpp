#include "gui/widgets/FocusRing.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace vorla::gui {

FocusRing::FocusRing(QWidget* window) : QWidget(window), window_(window) {
  setObjectName(QStringLiteral("FocusRing"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoChildEventsForParent);
  setFocusPolicy(Qt::NoFocus);
  hide();
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
}

void FocusRing::Follow(QWidget* now) {
  if (target_) target_->removeEventFilter(this);
  target_ = nullptr;
  // The window itself and controls of other windows have no ring here.
  if (!window_ || !now || now == window_ || now->window() != window_ || !now->parentWidget()) {
    hide();
    return;
  }
  target_ = now;
  target_->installEventFilter(this);
  Place();
}

void FocusRing::Place() {
  if (!target_) return;
  if (parentWidget() != target_->parentWidget()) setParent(target_->parentWidget());
  setGeometry(target_->geometry().adjusted(-Width, -Width, Width, Width));
  setVisible(!target_->isHidden());
  raise();
  update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
  if (watched == target_) {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::ParentChange:
      case QEvent::ZOrderChange:
        Place();
        break;
      default:
        break;
    }
  }
  return false;
}

void FocusRing::paintEvent(QPaintEvent*) {
  // Only the margin around the control: the control itself stays as it is.
  QPainter painter(this);
  const QColor colour = palette().color(QPalette::Active, QPalette::Highlight);
  const QRect all = rect();
  painter.fillRect(QRect(all.left(), all.top(), all.width(), Width), colour);
  painter.fillRect(QRect(all.left(), all.bottom() - Width + 1, all.width(), Width), colour);
  painter.fillRect(QRect(all.left(), all.top(), Width, all.height()), colour);
  painter.fillRect(QRect(all.right() - Width + 1, all.top(), Width, all.height()), colour);
}

}  // namespace vorla::gui
