#include "gui/widgets/ChoiceComboBox.h"

#include <QWheelEvent>

namespace vorla::gui {

ChoiceComboBox::ChoiceComboBox(const QStringList& items, QWidget* parent) : QComboBox(parent) {
  addItems(items);
  setFocusPolicy(Qt::StrongFocus);
  SetProgramText(QString());
  connect(this, &QComboBox::activated, this, [this](int index) {
    if (index == shown_) return;
    shown_ = index;
    emit userChanged();
  });
}

void ChoiceComboBox::SetProgramText(const QString& text) {
  const QSignalBlocker block(this);
  setCurrentIndex(findText(text, Qt::MatchFixedString));  // without regard to case
  shown_ = currentIndex();
}

void ChoiceComboBox::SetItems(const QStringList& items) {
  const QString shown = currentText();
  {
    const QSignalBlocker block(this);
    clear();
    addItems(items);
  }
  SetProgramText(shown);
}

void ChoiceComboBox::wheelEvent(QWheelEvent* event) {
  if (hasFocus()) {
    QComboBox::wheelEvent(event);
    return;
  }
  event->ignore();  // the page scrolls instead
}

}  // namespace vorla::gui
