#pragma once
// A whole case table copied into another, between an SQLite file and a
// database server in either direction.
namespace vorla {

class CaseTable;

// Copies every stored row of `from`, with its SKELETON_ID and every field
// exactly, into `to`, which must hold no case; returns how many. The rows are
// written in one transaction: on any failure nothing is copied and a
// StoreError names the case that could not be stored.
int CopyCaseTable(const CaseTable& from, CaseTable& to);

}  // namespace vorla
