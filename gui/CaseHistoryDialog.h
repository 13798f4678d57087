#pragma once
// "History of This Case...": every stored change of the current case as a
// table, newest first, with Copy. It changes nothing.
#include <QDialog>
#include <QString>
#include <vector>

#include "store/CaseHistory.h"

class QPushButton;
class QTableWidget;

namespace vorla::gui {

class UserInteraction;

class CaseHistoryDialog final : public QDialog {
 public:
  // The lines newest first.
  CaseHistoryDialog(const QString& caseTitle, std::vector<HistoryLine> lines, UserInteraction& ui,
                    QWidget* parent = nullptr);

  QTableWidget* Table() const { return table_; }
  QPushButton* CopyButton() const { return copy_; }
  // The table as tab-separated text: the header, then a line per row.
  QString TableText() const;
  void CopyClick();

 private:
  UserInteraction& ui_;
  QString title_;
  QTableWidget* table_;
  QPushButton* copy_;
};

}  // namespace vorla::gui
