// The Analyze action: the model-choice checks, the tidying of the score
// pairs, the choice of complexes, and the run (prepare, analyse, store, plot,
// trace, release, summary) that every redraw repeats.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "engine/Analysis.h"
#include "engine/AnalysisTrace.h"
#include "engine/EngineSettings.h"
#include "gui/TAForm2.h"
#include "gui/charts/BarChartWidget.h"
#include "gui/widgets/MathGrid.h"
#include "gui/widgets/ChoiceComboBox.h"
#include "gui/widgets/DbEdit.h"
#include "gui/widgets/DbLabel.h"
#include "gui/widgets/DbListBox.h"
#include "params/CaseLoading.h"
#include "params/CaseRun.h"
#include "params/ResultWriteBack.h"

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
    const auto& bases = KnownComplexes()[static_cast<std::size_t>(i)].pairBases;
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

  static const int levels[] = {90, 95, 99};
  const int level = levels[ProbabilityIndex()];
  CriticalValue = CriticalValueForLevel(level);
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
  CaseRecord record = PrepareAnalysis(id, DataSourceSkeleton, ParameterFilePath, DataSourceSkeleton.FieldAsText("Sex"),
                                      DataSourceSkeleton.FieldAsText("Race"), "logit",
                                      DataSourceSkeleton.FieldAsText("HazardFunc"), Selection());
  Analyse(record.get());
  StoreResults(id, DataSourceSkeleton, record.get());
  PlotLikelihoodCurves(record.get());
  if (!record) return;

  try {
    WriteAnalysisTrace(record.get(), ProgramDirectory + "TATree.txt");
  } catch (...) {
    // The trace is a record of the computation; the results stand without it.
  }
  FreeAnalysisTree(record);
  last_run_analysed_ = true;
  FormatpVal(pvaluncorr);
  FormatpVal(pvalcran);
  FormatpVal(pvalpube);
  FormatpVal(pvalauri);
  FillResultsGrid();
}

}  // namespace vorla::gui
