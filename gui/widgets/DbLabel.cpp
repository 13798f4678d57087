#include "gui/widgets/DbLabel.h"

#include "params/OpenLimits.h"

namespace vorla::gui {

DbLabel::DbLabel(TDataSource* source, const std::string& field, QWidget* parent)
    : QLabel(parent), DataLink(source, field) {}

void DbLabel::SetWithheld(bool withheld) {
  withheld_ = withheld;
  ShowField();
}

void DbLabel::ShowField() {
  const bool open = !withheld_ && Source() && Source()->Table().IsOpen();
  if (!open) {
    setText(QString());
    return;
  }
  const CaseTable& table = Source()->Table();
  std::string text = table.DisplayText(FieldName());
  // An estimate or limit at an end of the age range is marked as open there.
  if (IsEstimateOrLimit(FieldName()) && !table.FieldIsNull(FieldName()))
    text = MarkedOpen(OpenEndOf(FieldName(), table.FieldAsFloat(FieldName())), text);
  setText(QString::fromStdString(text));
}

}  // namespace vorla::gui
