#include "gui/widgets/DbEdit.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace vorla::gui {

DbEdit::DbEdit(TDataSource* source, const std::string& field, QWidget* parent)
    : QLineEdit(parent), DataLink(source, field) {
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
    const int cursor = cursorPosition();
    if (BeginUserEdit()) {
      // Starting the first row of an empty table showed the empty row; the
      // typed text belongs to it.
      setText(text);
      setCursorPosition(cursor);
    }
  });
}

void DbEdit::ShowField() {
  const bool open = Source() && Source()->Table().IsOpen();
  setText(open ? QString::fromStdString(Source()->FieldAsText(FieldName())) : QString());
  if (hasFocus()) selectAll();
}

void DbEdit::WriteField() {
  Source()->SetFieldText(FieldName(), text().toStdString());
}

bool DbEdit::CommitEdit() {
  try {
    UpdateRecord();
  } catch (const std::exception& error) {
    if (Source()) Source()->ReportError(error.what());
    setFocus(Qt::OtherFocusReason);
    selectAll();
    return false;
  }
  return true;
}

void DbEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (event->reason() != Qt::MouseFocusReason) selectAll();
}

void DbEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A message box or a menu taking the focus for a moment is no leaving.
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
  if (CommitEdit()) emit exited();
}

void DbEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && Modified()) {
    Reload();  // back to what the row holds
    selectAll();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

DbScoreEdit::DbScoreEdit(TDataSource* source, const std::string& field, int stageCount, QWidget* parent)
    : DbEdit(source, field, parent), stage_count_(stageCount) {
  setMaxLength(1);
  setAlignment(Qt::AlignCenter);
}

void DbScoreEdit::keyPressEvent(QKeyEvent* event) {
  const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
  // The box holds one character: BackSpace and Delete clear it wherever the
  // caret stands, and the focus stays for the score that replaces it.
  if (plain && (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)) {
    selectAll();
    DbEdit::keyPressEvent(event);
    event->accept();
    return;
  }
  const QString text = event->text();
  if (plain && !text.isEmpty() && text.at(0).isPrint()) {
    event->accept();
    if (judge_ && !judge_(text.at(0))) {
      selectAll();
      return;
    }
    // A typed score replaces what the box holds, wherever the caret stands.
    selectAll();
    DbEdit::keyPressEvent(event);
    emit scoreTyped();
    return;
  }
  DbEdit::keyPressEvent(event);
}

void DbScoreEdit::mousePressEvent(QMouseEvent* event) {
  DbEdit::mousePressEvent(event);
  // A click shows what the next key replaces.
  if (event->button() == Qt::LeftButton) selectAll();
}

}  // namespace vorla::gui
