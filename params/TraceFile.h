#pragma once
// TATree.txt: the trace of the last case analysed, the only record of a
// computation, written whole or not at all.
#include <stdexcept>
#include <string>

#include "engine/AnalysisTree.h"

namespace vorla {

class TraceWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates or replaces the file at path through a temporary file beside it
// (store/PendingFile): a failure or a stopped program leaves an earlier trace
// whole. Given no case it leaves any file untouched. Throws TraceWriteError,
// naming the file, when it cannot be written.
void WriteAnalysisTrace(const TTransisionsAnalyseDataSet* record, const std::string& path);

}  // namespace vorla
