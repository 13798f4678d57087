#include "gui/widgets/DbLabel.h"

namespace vorla::gui {

DbLabel::DbLabel(TDataSource* source, const std::string& field, QWidget* parent)
    : QLabel(parent), DataLink(source, field) {}

void DbLabel::ShowField() {
  const bool open = Source() && Source()->Table().IsOpen();
  setText(open ? QString::fromStdString(Source()->Table().DisplayText(FieldName())) : QString());
}

}  // namespace vorla::gui
