// How long one run of the window takes on a fully scored row: the analysis,
// the results stored in the SQLite table, the trace file, and the controls
// that follow the row. The resize rule repeats the run for every step of a
// window edge being dragged, so it has to stay well within a frame or two.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "gui/TAForm2.h"
#include "gui/widgets/DbEdit.h"
#include "params/CaseRun.h"

namespace {

using namespace vorla;
using namespace vorla::gui;

class QuietInteraction final : public UserInteraction {
 public:
  int messages = 0;
  void ShowMessage(MessageKind, const QString&) override { ++messages; }
  void Beep() override {}
  QString SaveFileName(QWidget*, const QString&, const QString&, const QString&, QString*) override { return {}; }
  QString OpenFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  QString FolderName(QWidget*, const QString&, const QString&) override { return {}; }
  QString ChooseItem(QWidget*, const QString&, const QString&, const QStringList&) override { return {}; }
  std::optional<QString> AskText(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  // Records the longest spell between two moments the window could answer.
  class TimedProgress final : public WorkProgress {
   public:
    explicit TimedProgress(double& longest) : longest_(longest) { last_.start(); }
    bool Advance(int) override {
      longest_ = std::max(longest_, static_cast<double>(last_.nsecsElapsed()) / 1e6);
      QCoreApplication::processEvents();
      last_.restart();
      return true;
    }

   private:
    double& longest_;
    QElapsedTimer last_;
  };
  double longestSpellMs = 0;
  std::unique_ptr<WorkProgress> StartProgress(QWidget*, const QString&, int) override {
    return std::make_unique<TimedProgress>(longestSpellMs);
  }
  void SetClipboardText(const QString&) override {}
  void SetClipboardData(QMimeData* data) override { delete data; }
  void OpenDocument(const QString&, const std::function<void()>&) override {}
  bool AskYesNo(const QString&) override { return false; }
  int AskWarning(const QString&, const QStringList& actions) override { return static_cast<int>(actions.size()) - 1; }
  void PrintPreview(QWidget*, const QString&, const std::function<void(QPrinter*)>&) override {}
  void ExitProgram(int) override {}
  void RunDialog(QDialog*) override {}
};

// A case folder with the demonstration parameter set and this many fully
// scored rows; false when the parameter set is missing.
bool MakeFolder(const QTemporaryDir& dir, int rows) {
  if (!QFile::copy(QStringLiteral(VORLA_BENCH_PARAMETERS), dir.filePath(QStringLiteral("Parameters.dat"))))
    return false;
  CaseTable table;
  table.Open(dir.path().toStdString() + "/");
  table.BeginTransaction();
  for (int row = 0; row < rows; ++row) {
    table.Append();
    table.SetFieldText("SKELETON_NAME", "bench-" + std::to_string(row));
    table.SetFieldText("SEX", "Male");
    table.SetFieldText("RACE", "White");
    table.SetFieldText("HAZARDFUNC", "Forensic");
    for (const ComplexPairs& complex : KnownComplexes())
      for (const std::string& base : complex.pairBases) {
        table.SetFieldInteger(base + "_LOW", 2 + row % 2);
        table.SetFieldInteger(base + "_UPPER", 3);
      }
    table.Post();
  }
  table.Commit();
  table.Close();
  return true;
}

// A window on a folder of this many cases, shown with its notice accepted.
struct AcceptedWindow {
  explicit AcceptedWindow(int rows) : ready(MakeFolder(dir, rows)) {
    if (!ready) return;
    form = std::make_unique<TTAForm2>(dir.path().toStdString() + "/", ui);
    form->show();
    form->OKBtnClick();
  }
  ~AcceptedWindow() {
    if (form) form->close();
  }
  QTemporaryDir dir;
  QuietInteraction ui;
  bool ready;
  std::unique_ptr<TTAForm2> form;
};

void BM_RunAnalysisFullyScoredRow(benchmark::State& state) {
  QTemporaryDir dir;
  const std::string folder = dir.path().toStdString() + "/";
  if (!MakeFolder(dir, 1)) return state.SkipWithError("no demonstration parameter set");
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

// The Analyze action as the person meets it: from the click to the repainted
// analysis page (the paints Qt holds back run before the clock stops).
void BM_AnalyzeClickToPaintedPage(benchmark::State& state) {
  AcceptedWindow window(1);
  if (!window.ready) return state.SkipWithError("no demonstration parameter set");
  TTAForm2& form = *window.form;
  const QuietInteraction& ui = window.ui;
  form.BitBtnCalculateClick();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    form.BitBtnCalculateClick();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
  if (ui.messages != 0 || !form.LastRunAnalysed()) state.SkipWithError("a run was refused or reported a message");
}
BENCHMARK(BM_AnalyzeClickToPaintedPage)->Unit(benchmark::kMillisecond)->Repetitions(5);

// A digit typed into a score box: from the key to the box showing it, the
// focus on the next box and the window repainted. A person typing fast
// gives about one key per 50 ms; a frame is 16 ms.
void BM_TypeDigitIntoScoreBox(benchmark::State& state) {
  AcceptedWindow window(1);
  if (!window.ready) return state.SkipWithError("no demonstration parameter set");
  TTAForm2& form = *window.form;
  const QuietInteraction& ui = window.ui;
  QCoreApplication::processEvents();
  QLineEdit* box = form.ScoreBox("CRA_PTERICA_LOW");
  int typed = 0;
  for (auto _ : state) {
    box->setFocus();
    box->selectAll();
    QCoreApplication::processEvents();
    const char digit = typed++ % 2 == 0 ? '1' : '2';
    QKeyEvent press(QEvent::KeyPress, Qt::Key_0 + (digit - '0'), Qt::NoModifier, QString(QLatin1Char(digit)));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_0 + (digit - '0'), Qt::NoModifier, QString(QLatin1Char(digit)));
    QElapsedTimer clock;
    clock.start();
    QApplication::sendEvent(box, &press);
    QApplication::sendEvent(box, &release);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    if (box->text() != QString(QLatin1Char(digit)) || QApplication::focusWidget() == box)
      return state.SkipWithError("the digit was not taken or the focus did not move on");
  }
  if (ui.messages != 0) state.SkipWithError("typing gave a message");
}
BENCHMARK(BM_TypeDigitIntoScoreBox)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

// Opening the window on a large table: from creation to the accepted notice,
// the case list filled and the first case shown.
void BM_OpenWindowOnTable(benchmark::State& state) {
  QTemporaryDir dir;
  if (!MakeFolder(dir, static_cast<int>(state.range(0)))) return state.SkipWithError("no demonstration parameter set");
  QuietInteraction ui;
  for (auto _ : state) {
    TTAForm2 form(dir.path().toStdString() + "/", ui);
    form.show();
    form.OKBtnClick();
    QCoreApplication::processEvents();
    state.PauseTiming();
    form.close();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenWindowOnTable)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Analyze All Cases from the window's menu: the time for the whole table, and
// the longest spell in which the window could not answer.
void BM_AnalyzeAllCases(benchmark::State& state) {
  AcceptedWindow window(static_cast<int>(state.range(0)));
  if (!window.ready) return state.SkipWithError("no demonstration parameter set");
  TTAForm2& form = *window.form;
  const QuietInteraction& ui = window.ui;
  for (auto _ : state) form.AnalyzeAllClick();
  if (ui.messages != static_cast<int>(state.iterations())) state.SkipWithError("the batch did not end as expected");
  state.counters["longest_unanswered_ms"] = ui.longestSpellMs;
  state.counters["per_case_ms"] = benchmark::Counter(
      static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AnalyzeAllCases)->Arg(10000)->Unit(benchmark::kSecond)->Iterations(1);

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
