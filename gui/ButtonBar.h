#pragma once
// The bar along the foot of the window: the three document buttons at the
// left, "Analyze" a little left of the middle and "Exit" near the right end.
// The two follow the window's outer width as the window is resized.
#include <QFrame>

class QPushButton;

namespace vorla::gui {

class ButtonBar final : public QFrame {
  Q_OBJECT
 public:
  explicit ButtonBar(QWidget* parent = nullptr);

  QPushButton* Analyze() const { return analyze_; }
  QPushButton* Exit() const { return exit_; }
  QPushButton* Procedures() const { return procedures_; }
  QPushButton* Illustrations() const { return illustrations_; }
  QPushButton* Manual() const { return manual_; }

  // "Exit" 100 pixels from the right end of a window this wide (with its
  // frame), "Analyze" at its width divided by 2.1.
  void Follow(int outerWidth);

 private:
  QPushButton* analyze_;
  QPushButton* exit_;
  QPushButton* procedures_;
  QPushButton* illustrations_;
  QPushButton* manual_;
};

}  // namespace vorla::gui
