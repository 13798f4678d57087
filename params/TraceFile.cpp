#include "params/TraceFile.h"

#include "engine/AnalysisTrace.h"
#include "store/PendingFile.h"

namespace vorla {

void WriteAnalysisTrace(const TTransisionsAnalyseDataSet* record, const std::string& path) {
  if (!record) return;
  // One buffer serves every trace of the thread.
  thread_local std::string text;
  BuildAnalysisTrace(*record, text);
  try {
    PendingFile file(path);
    file.Stream().write(text.data(), static_cast<std::streamsize>(text.size()));
    file.Commit();
  } catch (const std::exception& e) {
    throw TraceWriteError(e.what());
  }
}

}  // namespace vorla
