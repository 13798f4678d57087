#pragma once
// The row navigator: first, prior, next, last and insert. One stop in the
// focus order; with the focus on it Home, Left/PgUp, Right/PgDn, End and
// Insert do what its buttons do.
#include <QWidget>

class QToolButton;

namespace vorla::gui {

class Navigator final : public QWidget {
  Q_OBJECT
 public:
  enum Button { First, Prior, Next, Last, Insert, ButtonCount };

  explicit Navigator(QWidget* parent = nullptr);
  QToolButton* ButtonAt(Button which) const { return buttons_[which]; }
  // Enables the moving buttons from where the current row is.
  void SetPosition(bool atFirst, bool atLast);

 signals:
  void clicked(int button);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QToolButton* buttons_[ButtonCount] = {};
};

}  // namespace vorla::gui
