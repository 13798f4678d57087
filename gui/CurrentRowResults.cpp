// The analysis page shows the current row's own results and nothing else:
// after every move to another row and whenever the page comes forward, the
// summary, the grid, the bar chart and the curves are those of the row's
// stored results, or a note says that the row has none or that they are out
// of date. Finding that out analyses the row without storing anything.
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QTabWidget>

#include "gui/TAForm2.h"
#include "gui/widgets/BarChartWidget.h"
#include "gui/widgets/DbLabel.h"
#include "gui/widgets/MathGrid.h"
#include "paint/CaseReport.h"
#include "paint/EstimateBars.h"

namespace vorla::gui {

const char* const NotAnalysedNote = "Not analysed yet: press Analyze (F8)";
const char* const OutdatedNote = "Scores or choices changed since the last analysis: press Analyze (F8)";
const char* const OtherSetNote = "Computed with another parameter set: press Analyze (F8)";

int TTAForm2::CurrentLevel() const {
  static const int levels[] = {90, 95, 99};
  return levels[ProbabilityIndex()];
}

ComplexSelection TTAForm2::CheckBoxSelection() const {
  ComplexSelection selection;
  selection.UseCranialData = UseCranDataCB->isChecked();
  selection.UsePubicData = UsePubeDataCB->isChecked();
  selection.UseAuricularData = UseAuriDataCB->isChecked();
  return selection;
}

StoredResultsCheck TTAForm2::CheckCurrentRow(AnalysisTreePtr* analysed) {
  RunSettings settings;
  settings.level = CurrentLevel();
  settings.parameterFile = ParameterFilePath;
  try {
    settings.parameters = CheckedParameterSet();
  } catch (const std::exception&) {
    // The check below reads the file itself and says why it cannot.
  }
  settings.keepCase = analysed != nullptr;
  StoredResultsCheck check = CheckStoredResults(TATable, CheckBoxSelection(), settings);
  if (analysed != nullptr) *analysed = std::move(check.analysedCase);
  return check;
}

void TTAForm2::ShowCurrentRowResults() {
  if (running_analysis_ || showing_row_results_ || !TATable.IsOpen()) return;
  const QScopedValueRollback guard(showing_row_results_, true);

  AnalysisTreePtr analysed;
  const StoredResultsCheck check = CheckCurrentRow(&analysed);
  MathGrid1->ClearPlot();
  // The curves of current results are drawn from their case, which stays
  // for redrawing them.
  shown_case_ = check.state == StoredState::Current ? std::move(analysed) : nullptr;
  if (shown_case_) DrawCurves(*shown_case_);

  // The complexes of the stored results: those that take part now when the
  // results are current, else those that have results.
  shown_key_ = DataSourceSkeleton.FieldAsInteger("SKELETON_ID");
  shown_selection_ = check.selection;
  if (check.state != StoredState::Current)
    for (int i = 0; i < 3; ++i)
      SelectionFlag(shown_selection_, i) = !DataSourceSkeleton.FieldIsNull(
          std::string(KnownComplexes()[static_cast<std::size_t>(i)].resultPrefix) + "MAX_LIKELIHOOD");

  // The level of the stored limits; a row without results shows the chosen one.
  const int level = HasStoredResults(DataSourceSkeleton) ? RecordedLevel(DataSourceSkeleton) : CurrentLevel();
  const QString levelText = level > 0 ? QString::number(level) : QStringLiteral("?");
  for (QLabel* caption : LowerLimitCaptions) caption->setText(QStringLiteral(" L") + levelText + QStringLiteral("% "));
  for (QLabel* caption : UpperLimitCaptions) caption->setText(QStringLiteral(" U") + levelText + QStringLiteral("% "));
  ShowResultsState(check.state, check.message);
  ShowSummaryModel();
  // The model boxes are this row's too, whichever page moved to it.
  ShowChoices();
  FormatpVal(pvaluncorr);
  FormatpVal(pvalcran);
  FormatpVal(pvalpube);
  FormatpVal(pvalauri);
  FillResultsGrid();
  SetNumResultsRowCount(3 + int(shown_selection_.UseCranialData) + int(shown_selection_.UsePubicData) +
                        int(shown_selection_.UseAuricularData));

  // The bar chart of the stored results; the curves are shown only on request.
  MathGrid1->hide();
  ShowCurveControls(false);
  BarChartData& chart = AgeBarChart->Data();
  bool charted = check.state == StoredState::Current;
  if (charted) {
    try {
      DrawEstimateBars(DataSourceSkeleton, shown_selection_, chart);
    } catch (const std::exception&) {
      charted = false;  // results without limits: nothing to chart
    }
  }
  if (charted) {
    chart.AxisCaption = EstimatesAxisCaption(level);
    grphxmin->setText(QString::number(chart.XMin));
    grphxmax->setText(QString::number(chart.XMax));
    BarGraphPanel->show();
    AgeBarChart->update();
  } else {
    chart.Items.clear();
    BarGraphPanel->hide();
  }
}

void TTAForm2::ShowAsCurrent(const ComplexSelection& selection) {
  shown_key_ = DataSourceSkeleton.FieldAsInteger("SKELETON_ID");
  shown_selection_ = selection;
  ShowResultsState(StoredState::Current, {});
}

void TTAForm2::ShowResultsState(StoredState state, const std::string& why) {
  shown_state_ = state;
  // Numbers that are not the row's own for its present scores and choices
  // are not shown at all; the note says why.
  for (DbLabel* label : ResultLabels) label->SetWithheld(state != StoredState::Current);
  switch (state) {
    case StoredState::Current:
      ResultsNote->hide();
      return;
    case StoredState::None:
      ResultsNote->setText(QString::fromLatin1(NotAnalysedNote));
      break;
    case StoredState::Outdated:
      ResultsNote->setText(QString::fromLatin1(OutdatedNote));
      break;
    case StoredState::OtherSet:
      ResultsNote->setText(QString::fromLatin1(OtherSetNote));
      break;
    case StoredState::Unchecked:
      ResultsNote->setText(QStringLiteral("These results could not be checked against the scores: ") +
                           QString::fromStdString(why));
      break;
  }
  ResultsNote->show();
  ResultsNote->raise();
}

bool TTAForm2::ShownResultsAreCurrent(const QString& refused) {
  if (!TATable.IsOpen()) return false;
  if (shown_key_ != DataSourceSkeleton.FieldAsInteger("SKELETON_ID") || shown_state_ != StoredState::Current ||
      CheckCurrentRow().state != StoredState::Current)
    ShowCurrentRowResults();
  if (shown_state_ == StoredState::Current) return true;
  ShowMessage(MessageKind::Warning, (refused + QLatin1Char('\n') + ResultsNote->text()).toStdString());
  return false;
}

void TTAForm2::ShowSummaryModel() {
  const std::string model = TATable.IsOpen() ? DataSourceSkeleton.FieldAsText("HAZARDFUNC") : std::string();
  const std::optional<ModelParameters> p = ParametersOfModel(model, &own_models_);
  SummaryModelLabel->setText(p ? QString::fromStdString("Prior " + model + ": " + ParametersText(*p)) : QString());
  SummaryModelLabel->setToolTip(QString::fromStdString(MortalityModelText(model, &own_models_)));
}

}  // namespace vorla::gui
