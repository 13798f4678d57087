#include "gui/widgets/DbListBox.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace vorla::gui {

DbListBox::DbListBox(TDataSource* source, const std::string& field, const QStringList& items, QWidget* parent)
    : QListWidget(parent), DataLink(source, field) {
  addItems(items);
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    if (showing_) return;
    const int picked = ItemIndex();
    if (BeginUserEdit()) {
      // The first row of an empty table was just started; keep the pick.
      const QSignalBlocker block(this);
      setCurrentRow(picked);
    }
  });
}

void DbListBox::SetItems(const QStringList& items) {
  {
    const QSignalBlocker block(this);
    clear();
    addItems(items);
  }
  ShowField();
}

int DbListBox::ItemIndex() const {
  const auto selected = selectedItems();
  return selected.isEmpty() ? -1 : row(selected.first());
}

QString DbListBox::SelectedText() const {
  const auto selected = selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text();
}

void DbListBox::ShowField() {
  showing_ = true;
  const bool open = Source() && Source()->Table().IsOpen();
  const QString value = open ? QString::fromStdString(Source()->FieldAsText(FieldName())) : QString();
  int match = -1;
  for (int i = 0; i < count(); ++i)
    if (item(i)->text().compare(value, Qt::CaseInsensitive) == 0) match = i;
  clearSelection();
  if (match >= 0) {
    setCurrentRow(match);
  } else {
    setCurrentRow(-1);
    clearSelection();
  }
  showing_ = false;
}

void DbListBox::WriteField() {
  Source()->SetFieldText(FieldName(), SelectedText().toStdString());
}

void DbListBox::focusOutEvent(QFocusEvent* event) {
  QListWidget::focusOutEvent(event);
  if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason) return;
  try {
    UpdateRecord();
  } catch (const std::exception& error) {
    if (Source()) Source()->ReportError(error.what());
    return;
  }
  emit exited();
}

void DbListBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Reload();
    return;
  }
  // With nothing chosen yet, the arrows choose the first item.
  if ((event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) && ItemIndex() < 0 && count() > 0) {
    setCurrentRow(0);
    return;
  }
  QListWidget::keyPressEvent(event);
}

}  // namespace vorla::gui
