#pragma once
// A ring in the highlight colour around the control of a window that has the
// keyboard focus. The window's style shows the focus of buttons, check boxes,
// the tab bar and the grids only after the person has pressed Tab, and not at
// all when the focus came by a click, a mnemonic or the program; the ring
// shows it for every control the same way.
#include <QPointer>
#include <QWidget>

namespace vorla::gui {

class FocusRing final : public QWidget {
  Q_OBJECT
 public:
  // Follows the focus among the controls of this window.
  explicit FocusRing(QWidget* window);

  // The control the ring is around; null when the focus is elsewhere.
  QWidget* Target() const { return target_; }
  static constexpr int Width = 2;  // pixels around the control

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Follow(QWidget* now);
  // Beside the control, under the same parent, so that it hides with it.
  void Place();

  QPointer<QWidget> window_;
  QPointer<QWidget> target_;
};

}  // namespace vorla::gui
