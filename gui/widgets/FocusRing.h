#pragma once
// A ring in the highlight colour around the control of a window that has the
// keyboard focus. The window's style shows the focus of some controls only
// after the person has pressed Tab, and of coloured buttons and choice lists
// not at all; the ring shows it for every control the same way.
#include <QFocusFrame>
#include <QPointer>

namespace vorla::gui {

class FocusRing final : public QFocusFrame {
  Q_OBJECT
 public:
  // Follows the focus among the controls of this window.
  explicit FocusRing(QWidget* window);

  // The control the ring is around; null when the focus is elsewhere.
  QWidget* Target() const { return widget(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Follow(QWidget* now);
  QPointer<QWidget> window_;
};

}  // namespace vorla::gui
