#pragma once
// The plain-text trace of one analysed case, written after every analysis
// (the file itself: params/TraceFile.h).
#include <string>

#include "engine/AnalysisTree.h"

namespace vorla {

// The whole trace as text, with CR LF line ends.
std::string AnalysisTraceText(const TTransisionsAnalyseDataSet& record);
// The same into `text`, which it replaces; the room `text` has is used
// again, so that a run over many cases does not allocate (and fault in) a
// quarter of a megabyte each time.
void BuildAnalysisTrace(const TTransisionsAnalyseDataSet& record, std::string& text);

}  // namespace vorla
