#include "gui/ScoreGrid.h"

#include <QGridLayout>
#include <QLabel>

#include "gui/widgets/DbEdit.h"

namespace vorla::gui {

namespace {

// Grid columns: the names, the left side's min and MAX, the space between
// the sides, the right side's min and MAX.
constexpr int NameColumn = 0;
constexpr int SidesGap = 3;
constexpr int ColumnOf(bool rightSide, bool upper) {
  return (rightSide ? 4 : 1) + (upper ? 1 : 0);
}

QLabel* Head(const char* text, QWidget* parent, const QFont& font) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setAlignment(Qt::AlignCenter);
  label->setFont(font);
  return label;
}

}  // namespace

ScoreGrid::ScoreGrid(QWidget* group, bool paired, int firstRow, const QFont& headFont, int rowSpacing)
    : group_(group), grid_(new QGridLayout(group)), next_row_(firstRow) {
  grid_->setContentsMargins(4, 4, 15, 4);
  grid_->setHorizontalSpacing(7);
  grid_->setVerticalSpacing(rowSpacing);
  grid_->setColumnStretch(NameColumn, 1);
  for (const bool right : {false, true}) {
    if (!paired && !right) continue;  // an unpaired group has only the right-hand pair
    for (const bool upper : {false, true}) grid_->setColumnMinimumWidth(ColumnOf(right, upper), BoxWidth);
  }
  if (paired) {
    grid_->setColumnMinimumWidth(SidesGap, 9);
    grid_->addWidget(Head("Left", group, headFont), next_row_, ColumnOf(false, false), 1, 2);
    grid_->addWidget(Head("Right", group, headFont), next_row_, ColumnOf(true, false), 1, 2);
    ++next_row_;
  }
  for (const bool right : {false, true}) {
    if (!paired && !right) continue;
    grid_->addWidget(Head("min", group, headFont), next_row_, ColumnOf(right, false));
    grid_->addWidget(Head("MAX", group, headFont), next_row_, ColumnOf(right, true));
  }
  ++next_row_;
}

int ScoreGrid::AddRow(const QString& label, const QFont& font, const QString& tip) {
  auto* name = new QLabel(label, group_);
  name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  name->setFont(font);
  name->setToolTip(tip);
  name->setMinimumHeight(BoxHeight);
  grid_->addWidget(name, next_row_, NameColumn);
  return next_row_++;
}

void ScoreGrid::Place(DbScoreEdit* box, int row, bool rightSide, bool upper) {
  box->setFixedSize(BoxWidth, BoxHeight);
  grid_->addWidget(box, row, ColumnOf(rightSide, upper));
}

void ScoreGrid::Finish() {
  grid_->setRowStretch(next_row_, 1);
}

}  // namespace vorla::gui
