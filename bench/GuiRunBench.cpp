// How long one run of the window takes on a fully scored row: the analysis,
// the results stored in the SQLite table, the trace file, and the controls
// that follow the row. The resize rule repeats the run for every step of a
// window edge being dragged, so it has to stay well within a frame or two.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>

#include "gui/TAForm2.h"
#include "params/CaseRun.h"

namespace {

using namespace vorla;
using namespace vorla::gui;

class QuietInteraction final : public UserInteraction {
 public:
  int messages = 0;
  void ShowMessage(MessageKind, const QString&) override { ++messages; }
  void Beep() override {}
  void Sleep(int) override {}
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&, QString*) override { return {}; }
  QString OpenFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  QString FolderName(QWidget*, const QString&, const QString&) override { return {}; }
  QString ChooseItem(QWidget*, const QString&, const QString&, const QStringList&) override { return {}; }
  std::unique_ptr<WorkProgress> StartProgress(QWidget*, const QString&, int) override { return nullptr; }
  void SetClipboardText(const QString&) override {}
  void SetClipboardData(QMimeData* data) override { delete data; }
  void OpenDocument(const QString&, const std::function<void()>&) override {}
  bool AskYesNo(const QString&) override { return false; }
  void PrintPreview(QWidget*, const QString&, const std::function<void(QPrinter*)>&) override {}
  void ExitProgram(int) override {}
};

void BM_RunAnalysisFullyScoredRow(benchmark::State& state) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/";
  if (!QFile::copy(QStringLiteral(VORLA_BENCH_PARAMETERS), dir.filePath(QStringLiteral("Parameters.dat"))))
    return state.SkipWithError("no demonstration parameter set");
  {
    CaseTable table;
    table.Open(folder);
    table.Append();
    table.SetFieldText("SKELETON_NAME", "bench");
    table.SetFieldText("SEX", "Male");
    table.SetFieldText("RACE", "White");
    table.SetFieldText("HAZARDFUNC", "Forensic");
    for (const ComplexPairs& complex : KnownComplexes())
      for (const std::string& base : complex.pairBases) {
        table.SetFieldInteger(base + "_LOW", 2);
        table.SetFieldInteger(base + "_UPPER", 3);
      }
    table.Post();
    table.Close();
  }
  QuietInteraction ui;
  TTAForm2 form(folder, ui);
  form.show();
  form.OKBtnClick();
  form.BitBtnCalculateClick();  // as the person would first
  if (ui.messages != 0 || !form.LastRunAnalysed()) return state.SkipWithError("the row was not analysed");
  for (auto _ : state) {
    form.RunAnalysis();
    benchmark::DoNotOptimize(form.LastRunAnalysed());
  }
  if (ui.messages != 0) state.SkipWithError("a run reported a message");
  form.close();
}
BENCHMARK(BM_RunAnalysisFullyScoredRow)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5);  // the report gives the median of the five

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
