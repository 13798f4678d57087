// The bar chart of estimates: one bar per estimate across its confidence
// interval, drawn from the stored results of the current row; the switch
// between the bar chart and the curves; the age range of the chart.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include "gui/TAForm2.h"
#include "gui/widgets/BarChartWidget.h"
#include "gui/widgets/MathGrid.h"
#include "paint/EstimateBars.h"

namespace vorla::gui {

void TTAForm2::BuildBarChart() {
  AgeBarChart = new TBarChart(BarGraphPanel);
  AgeBarChart->setObjectName(QStringLiteral("AgeBarChart"));
  AgeBarChart->setFont(EstimatesChartLook().TitleFont);
  AgeBarChart->setGeometry(3, 3, 711, 419);
  AgeBarChart->Data() = EstimatesChartLook();
}

void TTAForm2::ShowBarPlotButtClick() {
  MathGrid1->hide();
  // Without current results of this row there is nothing to chart: the note
  // over the graph says what to do.
  if (shown_state_ != StoredState::Current) {
    BarGraphPanel->hide();
    ShowCurveControls(false);
    ResultsNote->show();
    ResultsNote->raise();
    return;
  }
  if (!BarGraphPanel->isHidden()) {
    // Back to the curves: the plot keeps no data; they are drawn again from
    // the case at hand.
    RedrawCurves();
    MathGrid1->show();
    MathGrid1->repaint();
    BarGraphPanel->hide();
    ShowCurveControls(true);
    return;
  }
  ShowCurveControls(false);
  const ComplexSelection& selection = shown_selection_;
  if (!selection.UseCranialData && !selection.UsePubicData && !selection.UseAuricularData) return;

  NumResultsGridClick();
  const int n = int(selection.UseCranialData) + int(selection.UsePubicData) + int(selection.UseAuricularData);
  SetNumResultsRowCount(n + 3);
  DrawEstimateBars(DataSourceSkeleton, selection, AgeBarChart->Data());
  // Both ends of the age scale start anew, and the boxes show them.
  grphxmin->setText(QString::number(AgeBarChart->Data().XMin));
  grphxmax->setText(QString::number(AgeBarChart->Data().XMax));

  AgeBarChart->update();
  BarGraphPanel->show();
  NumSummPanel->raise();
  NumResultsGridClick();
}

void TTAForm2::rescaleButtClick() {
  // Both ends are checked before either is applied: a text that is no whole
  // number, or a lower end not below the upper end, leaves the range as it was.
  bool upperOk = false;
  bool lowerOk = false;
  const int upper = grphxmax->text().trimmed().toInt(&upperOk);
  const int lower = grphxmin->text().trimmed().toInt(&lowerOk);
  if (!upperOk || !lowerOk) {
    const QString bad = upperOk ? grphxmin->text() : grphxmax->text();
    ShowMessage(MessageKind::Error,
                ("'" + bad + "' is not a whole number. The age range stays as it was.").toStdString());
    return;
  }
  if (lower >= upper) {
    ShowMessage(MessageKind::Error, QStringLiteral("The lowest age (%1) must be below the highest age (%2). "
                                                   "The age range stays as it was.")
                                        .arg(lower)
                                        .arg(upper)
                                        .toStdString());
    return;
  }
  BarChartData& chart = AgeBarChart->Data();
  chart.XMax = upper;
  chart.XMin = lower;
  AgeBarChart->update();
}

}  // namespace vorla::gui
