#include "gui/widgets/DbMemo.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QTextCursor>

namespace vorla::gui {

DbMemo::DbMemo(TDataSource* source, const std::string& field, QWidget* parent)
    : QPlainTextEdit(parent), DataLink(source, field) {
  setTabChangesFocus(true);
  connect(this, &QPlainTextEdit::textChanged, this, [this] {
    if (showing_) return;
    const QString text = toPlainText();
    const int cursor = textCursor().position();
    if (BeginUserEdit()) {
      showing_ = true;
      setPlainText(text);
      QTextCursor c = textCursor();
      c.setPosition(cursor);
      setTextCursor(c);
      showing_ = false;
    }
  });
}

void DbMemo::ShowField() {
  showing_ = true;
  const bool open = Source() && Source()->Table().IsOpen();
  setPlainText(open ? QString::fromStdString(Source()->FieldAsText(FieldName())) : QString());
  showing_ = false;
}

void DbMemo::WriteField() {
  Source()->SetFieldText(FieldName(), toPlainText().toStdString());
}

void DbMemo::focusOutEvent(QFocusEvent* event) {
  QPlainTextEdit::focusOutEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
  try {
    UpdateRecord();
  } catch (const std::exception& error) {
    if (Source()) Source()->ReportError(error.what());
  }
}

void DbMemo::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && Modified()) {
    Reload();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

}  // namespace vorla::gui
