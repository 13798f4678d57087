#pragma once
// A data-bound text of any length (the notes of a case).
#include <QPlainTextEdit>

#include "gui/DataSource.h"

namespace vorla::gui {

class DbMemo final : public QPlainTextEdit, public DataLink {
  Q_OBJECT
 public:
  DbMemo(TDataSource* source, const std::string& field, QWidget* parent = nullptr);

 protected:
  void ShowField() override;
  void WriteField() override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool showing_ = false;
};

}  // namespace vorla::gui
