#pragma once
// A data-bound label: shows the display text of one field of the current row.
#include <QLabel>

#include "gui/DataSource.h"

namespace vorla::gui {

class DbLabel final : public QLabel, public DataLink {
  Q_OBJECT
 public:
  DbLabel(TDataSource* source, const std::string& field, QWidget* parent = nullptr);

 protected:
  void ShowField() override;
  void WriteField() override {}
};

}  // namespace vorla::gui
