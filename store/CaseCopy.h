#pragma once
// A whole case table copied into another, between an SQLite file and a
// database server in either direction.
#include "store/StageScores.h"

namespace vorla {

class CaseTable;

// Copies every stored row of `from`, with its SKELETON_ID and every field
// exactly, into `to`, which must hold no case; returns how many. The rows are
// written in one transaction: on any failure nothing is copied and a
// StoreError names the case that could not be stored. With stages (the
// scores that stand for a stage of each trait of the parameter set in use), a
// row holding another score in a trait's field is refused the same way,
// naming the case, the field and the allowed scores.
int CopyCaseTable(const CaseTable& from, CaseTable& to, const StageScoreRules& stages = {});

}  // namespace vorla
