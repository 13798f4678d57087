#include "gui/widgets/FocusRing.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace vorla::gui {

FocusRing::FocusRing(QWidget* window) : QFocusFrame(window), window_(window) {
  setObjectName(QStringLiteral("FocusRing"));
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Follow(now); });
}

void FocusRing::Follow(QWidget* now) {
  // The window itself and containers that take the focus only to pass it on
  // have nothing to ring.
  if (!window_ || !now || now == window_ || now->window() != window_ || now->focusPolicy() == Qt::NoFocus) {
    setWidget(nullptr);
    return;
  }
  setWidget(now);
}

void FocusRing::paintEvent(QPaintEvent*) {
  // Only the margin around the control: the control itself stays as it is.
  QPainter painter(this);
  const QColor colour = palette().color(QPalette::Active, QPalette::Highlight);
  const QRect all = rect();
  const int h = qMax(1, style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this));
  const int v = qMax(1, style()->pixelMetric(QStyle::PM_FocusFrameVMargin, nullptr, this));
  painter.fillRect(QRect(all.left(), all.top(), all.width(), v), colour);
  painter.fillRect(QRect(all.left(), all.bottom() - v + 1, all.width(), v), colour);
  painter.fillRect(QRect(all.left(), all.top(), h, all.height()), colour);
  painter.fillRect(QRect(all.right() - h + 1, all.top(), h, all.height()), colour);
}

}  // namespace vorla::gui
