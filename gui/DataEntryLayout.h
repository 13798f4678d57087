#pragma once
// The score sheet of the data entry page: the three complexes with their
// rows, field stems and stage counts, and the size their groups are drawn at.
#include <QSize>
#include <string>
#include <vector>

namespace vorla::gui {

struct ScoreRow {
  const char* label;  // states the range where the group title does not
  const char* stem;   // field stem; + "_L"/"_R" for paired traits, then "_LOW"/"_UPPER"
  int stageCount;     // the trait's highest stage
};

struct ScoreGroup {
  int complexIndex;  // as KnownComplexes(): cranial 0, pubic 1, auricular 2
  const char* title;
  const char* checkText;
  bool paired;
  QSize size;    // as drawn; the page's layout places the group
  int rowPitch;  // from one row's top to the next's
  std::vector<ScoreRow> rows;
};

// Cranial sutures, pubic symphysis, auricular surface.
const std::vector<ScoreGroup>& ScoreGroups();

// The field of one box: stem + side + "_LOW" or "_UPPER"; side is "" for an
// unpaired trait, "_L" or "_R" for a paired one.
std::string ScoreField(const ScoreRow& row, const char* side, bool upper);

// The score-check message for a stage count; empty for a count without a check.
std::string AllowedValuesMessage(int stageCount);

}  // namespace vorla::gui
