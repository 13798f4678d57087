#pragma once
// An editable choice box that completes what is typed to the first item that
// begins with it (without regard to case), showing the completed part
// selected. It tells apart what the person changes from what the program
// puts in: a change by the person is picking another item, typing that
// completes to another item than the one shown, typing that matches no item,
// and deleting characters. Text put in by the program is none.
#include <QComboBox>

namespace vorla::gui {

class ChoiceComboBox final : public QComboBox {
  Q_OBJECT
 public:
  ChoiceComboBox(const QStringList& items, QWidget* parent = nullptr);

  // Text put in by the program: no change by the person.
  void SetProgramText(const QString& text);
  // The item whose text equals the box's text without regard to case; -1 when none.
  int ItemIndex() const;
  bool IsItem(const QString& text) const { return IndexOfItem(text) >= 0; }

 signals:
  // The person changed the text (see above).
  void userChanged();
  // The focus left the box.
  void exited();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void showPopup() override;

 private:
  int IndexOfItem(const QString& text) const;
  // Shows this text and marks the matching item current, without signals.
  void ShowText(const QString& text);

  QString before_pick_;  // the text before a pick from the list, the arrows or the wheel
};

}  // namespace vorla::gui
