#pragma once
// A data-bound choice list: it shows as selected the item whose text equals
// the field (without regard to case), none when no item does. Picking an item
// is a pending edit, written when the list is left or the row is saved; Esc
// puts the list back to the field.
#include <QListWidget>

#include "gui/DataSource.h"

namespace vorla::gui {

class DbListBox final : public QListWidget, public DataLink {
  Q_OBJECT
 public:
  DbListBox(TDataSource* source, const std::string& field, const QStringList& items, QWidget* parent = nullptr);
  // Offers these items instead, the field's value chosen among them.
  void SetItems(const QStringList& items);

  // Index of the selected item, -1 when none.
  int ItemIndex() const;
  // The selected item's text; empty when none.
  QString SelectedText() const;

 signals:
  // The focus left the list and its choice is in the row.
  void exited();

 protected:
  void ShowField() override;
  void WriteField() override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool showing_ = false;
};

}  // namespace vorla::gui
