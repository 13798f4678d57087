#pragma once
// The plain-text trace of one analysed case, written after every analysis.
#include <stdexcept>
#include <string>

#include "engine/AnalysisTree.h"

namespace vorla {

class TraceWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The whole trace as text, with CR LF line ends.
std::string AnalysisTraceText(const TTransisionsAnalyseDataSet& record);

// Creates or replaces the file at path; given no case it leaves any file
// untouched. Throws TraceWriteError when the file cannot be written.
void WriteAnalysisTrace(const TTransisionsAnalyseDataSet* record, const std::string& path);

}  // namespace vorla
