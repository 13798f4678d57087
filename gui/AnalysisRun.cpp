// The Analyze action: the model-choice checks, the tidying of the score
// pairs, the choice of complexes, and the run (prepare, analyse, store, plot,
// trace, summary). The analysed case stays for redrawing the curves.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTabWidget>

#include "gui/TAForm2.h"
#include "gui/widgets/BarChartWidget.h"
#include "gui/widgets/ChoiceComboBox.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbLabel.h"
#include "gui/widgets/DbListBox.h"
#include "gui/widgets/MathGrid.h"
#include "paint/EstimateBars.h"
#include "params/CaseRun.h"

namespace vorla::gui {

namespace {

// A box counts as empty when nothing but blanks and control characters is in it.
bool BoxIsEmpty(const DbScoreEdit* box) {
  for (const QChar c : box->text())
    if (c.unicode() > 32) return false;
  return true;
}

}  // namespace

void TTAForm2::BitBtnCalculateClick() {
  const bool ancestry = ComboBoxRace->ItemIndex() >= 0 || RacePriorLB->ItemIndex() >= 0;
  const bool sex = ComboBoxSex->ItemIndex() >= 0 || SexPriorLB->ItemIndex() >= 0;
  const bool model = ComboBoxHazard->ItemIndex() >= 0 || HazardPriorLB->ItemIndex() >= 0;
  if (const auto missing = MissingChoiceMessage(ancestry, sex, model)) {
    ShowMessage(MessageKind::Error, *missing);
    return;
  }

  for (int i = 0; i < 3; ++i) {
    const std::vector<std::string> bases = PairBasesOf(i);
    bool empty = true;
    for (const std::string& base : bases)
      empty = empty && BoxIsEmpty(ScoreBox(base + "_LOW")) && BoxIsEmpty(ScoreBox(base + "_UPPER"));
    if (empty) {
      ComplexCheckBox(i)->setChecked(false);
      continue;
    }
    for (const std::string& base : bases) OrderScorePair(base, ScoreBox(base + "_LOW"), ScoreBox(base + "_UPPER"));
  }
  if (!UseCranDataCB->isChecked() && !UsePubeDataCB->isChecked() && !UseAuriDataCB->isChecked()) {
    ShowMessage(MessageKind::Error, NoDataTypesMessage);
    return;
  }

  const QScopedValueRollback running(running_analysis_, true);
  PageControl1->setCurrentWidget(TabSheet3);
  MathGrid1->hide();
  BarGraphPanel->hide();
  grphxmin->setText(QStringLiteral("10"));
  grphxmax->setText(QStringLiteral("110"));

  RunAnalysis();
  // With nothing to analyse the person has been told so and is back on the
  // data entry page; there are no results to chart.
  if (!last_run_analysed_) return;

  ShowBarPlotButt->click();
}

void TTAForm2::OrderScorePair(const std::string& base, DbScoreEdit* minBox, DbScoreEdit* maxBox) {
  vorla::OrderScorePair(DataSourceSkeleton, base, minBox->text().toStdString(), maxBox->text().toStdString());
}

void TTAForm2::RunAnalysis() {
  last_run_analysed_ = false;
  UseCranialData = UseCranDataCB->isChecked();
  UsePubicData = UsePubeDataCB->isChecked();
  UseAuricularData = UseAuriDataCB->isChecked();

  const int level = CurrentLevel();
  const QString levelText = QString::number(level);
  for (QLabel* caption : LowerLimitCaptions) caption->setText(QStringLiteral(" L") + levelText + QStringLiteral("% "));
  for (QLabel* caption : UpperLimitCaptions) caption->setText(QStringLiteral(" U") + levelText + QStringLiteral("% "));
  AgeBarChart->Data().AxisCaption = EstimatesAxisCaption(level);
  AgeBarChart->update();

  // What is typed but not yet in the row is part of the case; a new row is
  // stored so that it has its key.
  DataSourceSkeleton.UpdateRecord();
  if (TATable.State() == CaseTable::RowState::Insert && TATable.Modified()) DataSourceSkeleton.Post();
  const std::int32_t id = DataSourceSkeleton.FieldAsInteger(DBText_ID->FieldName());

  // The same run as the headless tool's, on the case read from the row once
  // the tidied pairs are posted; its results go into the row in one post.
  RunSettings settings;
  settings.level = level;
  settings.parameterFile = ParameterFilePath;
  settings.parameters = CheckedParameterSet();
  settings.tracePath = ProgramDirectory + "TATree.txt";
  settings.keepCase = true;
  std::string traceFailure;
  settings.onTraceFailed = [&traceFailure](const std::string& message) { traceFailure = message; };
  const QScopedValueRollback inRun(running_analysis_, true);
  shown_case_.reset();
  DataSourceSkeleton.LocateId(id);
  const CaseRecord record = ReadCaseRecord(TATable, LayoutOfRun(settings), Selection());
  CaseResults results = AnalyzeCase(record, settings);
  DataSourceSkeleton.WriteRow([&results](CaseTable& table) { StoreCaseResults(table, results); });
  // The curves are drawn from the analysed case, which stays for redrawing them.
  PlotLikelihoodCurves(results.analysedCase.get());
  AnalysisTreePtr kept = std::move(results.analysedCase);
  const bool analysed = results.analysed;
  if (kept) WriteTrace(kept.get(), settings);
  // The results are stored; the trace that could not be written is said.
  if (!traceFailure.empty()) ShowMessage(MessageKind::Error, traceFailure);
  if (!analysed) {
    shown_key_ = id;
    AgeBarChart->Data().Items.clear();
    ShowResultsState(StoredState::None, {});
    FillResultsGrid();
    return;
  }

  last_run_analysed_ = true;
  ShowAsCurrent(Selection());
  ShowSummaryModel();
  shown_case_ = std::move(kept);
  FormatpVal(pvaluncorr);
  FormatpVal(pvalcran);
  FormatpVal(pvalpube);
  FormatpVal(pvalauri);
  FillResultsGrid();
}

}  // namespace vorla::gui
