#include "gui/widgets/ChoiceComboBox.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace vorla::gui {

ChoiceComboBox::ChoiceComboBox(const QStringList& items, QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  addItems(items);
  setCompleter(nullptr);  // the completion is this box's own
  ShowText(QString());
  connect(this, &QComboBox::activated, this, [this](int index) {
    const int shown = IndexOfItem(before_pick_);
    ShowText(itemText(index));
    if (index != shown) emit userChanged();
  });
}

int ChoiceComboBox::IndexOfItem(const QString& text) const {
  for (int i = 0; i < count(); ++i)
    if (itemText(i).compare(text, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

int ChoiceComboBox::ItemIndex() const {
  return IndexOfItem(currentText());
}

void ChoiceComboBox::ShowText(const QString& text) {
  const QSignalBlocker block(this);
  setCurrentIndex(IndexOfItem(text));
  lineEdit()->setText(text);
}

void ChoiceComboBox::SetProgramText(const QString& text) {
  ShowText(text);
}

void ChoiceComboBox::keyPressEvent(QKeyEvent* event) {
  QLineEdit* edit = lineEdit();
  const QString typed = event->text();
  const bool typesCharacter = !typed.isEmpty() && typed.at(0).isPrint() &&
                              !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  const QString before = edit->text();
  if (typesCharacter) {
    const int start = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    const QString soFar = before.left(start) + typed;
    int match = -1;
    for (int i = 0; i < count() && match < 0; ++i)
      if (itemText(i).startsWith(soFar, Qt::CaseInsensitive)) match = i;
    if (match >= 0) {
      const QString item = itemText(match);
      const int shown = IndexOfItem(before);
      ShowText(item);
      edit->setSelection(item.size(), -(item.size() - static_cast<int>(soFar.size())));
      event->accept();
      if (match != shown) emit userChanged();
      return;
    }
    edit->event(event);  // inserted as typed
    ShowText(edit->text());
    edit->setCursorPosition(static_cast<int>(soFar.size()));
    if (edit->text() != before) emit userChanged();
    return;
  }
  // Deleting, cutting and pasting change the text in place.
  const bool deletes = event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete ||
                       event->matches(QKeySequence::Cut) || event->matches(QKeySequence::DeleteEndOfWord) ||
                       event->matches(QKeySequence::DeleteStartOfWord) || event->matches(QKeySequence::Paste);
  if (deletes) {
    edit->event(event);
    const int cursor = edit->cursorPosition();
    ShowText(edit->text());
    edit->setCursorPosition(cursor);
    if (edit->text() != before) emit userChanged();
    return;
  }
  before_pick_ = before;
  QComboBox::keyPressEvent(event);
}

void ChoiceComboBox::wheelEvent(QWheelEvent* event) {
  before_pick_ = lineEdit()->text();
  QComboBox::wheelEvent(event);
}

void ChoiceComboBox::showPopup() {
  before_pick_ = lineEdit()->text();
  QComboBox::showPopup();
}

void ChoiceComboBox::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
  emit exited();
}

}  // namespace vorla::gui
