#pragma once
// A group of score boxes in a grid: the trait names in the first column,
// right-aligned, then the min and MAX boxes of the left side and those of
// the right side (an unpaired trait has only the right-hand pair), under
// the heads "Left", "Right", "min" and "MAX". The built-in complexes and the
// traits of a parameter set's own are laid out the same way.
#include <QFont>
#include <QString>

class QGridLayout;
class QWidget;

namespace vorla::gui {

class DbScoreEdit;

class ScoreGrid {
 public:
  // Lays out the inside of `group`; the rows start under `firstRow` rows of
  // the caller's own (a check box), which span the whole width.
  ScoreGrid(QWidget* group, bool paired, int firstRow, const QFont& headFont, int rowSpacing);

  QGridLayout* Layout() const { return grid_; }
  // Adds a trait's name in a new row; returns the row.
  int AddRow(const QString& label, const QFont& font, const QString& tip = {});
  // Puts a score box into a row: the left side's or the right side's (the
  // only side of an unpaired trait is the right one), min or MAX.
  void Place(DbScoreEdit* box, int row, bool rightSide, bool upper);
  // Keeps the rows together at the top of the group.
  void Finish();

  static constexpr int BoxWidth = 25;
  static constexpr int BoxHeight = 29;

 private:
  QWidget* group_;
  QGridLayout* grid_;
  int next_row_;
};

}  // namespace vorla::gui
