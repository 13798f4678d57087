#pragma once
// Data-bound edit boxes: DbEdit shows one field of the current row and keeps
// what is typed as a pending edit until it loses the focus or the row is
// saved; DbScoreEdit is the one-character stage box of the score sheet.
#include <QLineEdit>

#include "gui/DataSource.h"

namespace vorla::gui {

class DbEdit : public QLineEdit, public DataLink {
  Q_OBJECT
 public:
  DbEdit(TDataSource* source, const std::string& field, QWidget* parent = nullptr);

  // Writes a pending edit as when the box is left; on failure the error is
  // reported, the box keeps the focus and its text is selected. False then.
  bool CommitEdit();

 signals:
  // The focus left the box and its edit, if any, is in the row.
  void exited();

 protected:
  void ShowField() override;
  void WriteField() override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class DbScoreEdit final : public DbEdit {
  Q_OBJECT
 public:
  // stageCount: the highest stage of the trait.
  DbScoreEdit(TDataSource* source, const std::string& field, int stageCount, QWidget* parent = nullptr);
  int StageCount() const { return stage_count_; }

  // Judges a typed character before the box takes it: true lets it replace
  // what the box holds; false refuses it in place, the box unchanged.
  void SetScoreJudge(std::function<bool(QChar)> judge) { judge_ = std::move(judge); }

 signals:
  // A typed character that the judge let in is now the box's text.
  void scoreTyped();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  int stage_count_;
  std::function<bool(QChar)> judge_;
};

}  // namespace vorla::gui
