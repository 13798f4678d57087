#pragma once
// A data-bound label: shows the display text of one field of the current row,
// or nothing while its value is withheld (results that are out of date). An
// estimate or limit at an end of the age range is marked open ("≥ 110.0").
#include <QLabel>

#include "gui/DataSource.h"

namespace vorla::gui {

class DbLabel final : public QLabel, public DataLink {
  Q_OBJECT
 public:
  DbLabel(TDataSource* source, const std::string& field, QWidget* parent = nullptr);

  void SetWithheld(bool withheld);
  bool Withheld() const { return withheld_; }

 protected:
  void ShowField() override;
  void WriteField() override {}

 private:
  bool withheld_ = false;
};

}  // namespace vorla::gui
