#pragma once
// A choice box that offers only its items: the person picks one from the
// list, with the arrow keys or by typing its first letters, and cannot type
// text of their own. It tells apart what the person picks from what the
// program puts in: picking another item than the one shown is a change,
// text put in by the program is none. The wheel turns it only when it has
// the focus, so scrolling past the page never changes a case.
#include <QComboBox>

namespace vorla::gui {

class ChoiceComboBox final : public QComboBox {
  Q_OBJECT
 public:
  ChoiceComboBox(const QStringList& items, QWidget* parent = nullptr);

  // Text put in by the program: no change by the person. A text that is no
  // item (without regard to case) shows the box empty.
  void SetProgramText(const QString& text);
  // Offers these items instead, keeping the one shown where it is one of them.
  void SetItems(const QStringList& items);
  // The item shown; -1 when none.
  int ItemIndex() const { return currentIndex(); }

 signals:
  // The person picked another item than the one shown.
  void userChanged();

 protected:
  void wheelEvent(QWheelEvent* event) override;

 private:
  int shown_ = -1;  // the item shown before the person's pick
};

}  // namespace vorla::gui
