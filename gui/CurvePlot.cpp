// The likelihood curves of the analysed case: the plot with its curves, the
// drawing of one case, the marker lines at the confidence limits' height,
// and the zoom of the vertical axis.
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <stdexcept>

#include "gui/TAForm2.h"
#include "gui/WindowFonts.h"
#include "gui/widgets/MathGrid.h"
#include "params/CaseRun.h"

namespace vorla::gui {

void TTAForm2::BuildCurvePlot() {
  MathGrid1 = new TMathGrid(TabSheet3);
  MathGrid1->setObjectName(QStringLiteral("MathGrid1"));
  MathGrid1->setGeometry(0, 0, 713, 448);
  MathGrid1->SetPlotFont(WindowFont(8), palette().color(QPalette::WindowText));
  MathGrid1->SetMinX(10);
  MathGrid1->SetSizeX(100);
  MathGrid1->SetMinY(0);
  MathGrid1->SetSizeY(1.0);
  MathGrid1->SetParts(10, 10);
  MathGrid1->SetDecimals(0, 4);
  MathGrid1->SetLegend(QString(92, QLatin1Char(' ')) + QStringLiteral("Age Likelihood"));
  MathGrid1->SetColors(QColor(192, 192, 192), QColor(233, 233, 233), QColor(0, 0, 255));
  MathGrid1->SetOptions(mgBorder);
  MathGrid1->hide();

  MathCurveCra = std::make_unique<TMathCurve>(MathGrid1, QColor(255, 0, 0), Qt::SolidLine, 2);
  MathCurvePub = std::make_unique<TMathCurve>(MathGrid1, QColor(255, 0, 255), Qt::SolidLine, 2);
  MathCurveAur = std::make_unique<TMathCurve>(MathGrid1, QColor(0, 128, 128), Qt::SolidLine, 2);
  MathCurveAll = std::make_unique<TMathCurve>(MathGrid1, QColor(0, 0, 0), Qt::SolidLine, 2);
  MathCurveAllCor = std::make_unique<TMathCurve>(MathGrid1, QColor(0, 0, 255), Qt::SolidLine, 2);
  MathCurve95 = std::make_unique<TMathCurve>(MathGrid1, QColor(255, 255, 255), Qt::DotLine, 1);
  MathCurveAll95 = std::make_unique<TMathCurve>(MathGrid1, QColor(128, 128, 128), Qt::DotLine, 1);
  MathCurveAllCor95 = std::make_unique<TMathCurve>(MathGrid1, QColor(0, 0, 255), Qt::DotLine, 1);
}

double TTAForm2::MarkerFactor(int probabilityIndex) {
  // Close to e to the minus critical value of the level: the relative
  // likelihood at which a confidence limit lies.
  switch (probabilityIndex) {
    case 0:
      return 0.258;
    case 2:
      return 0.036;
    default:
      return 0.146489723;
  }
}

void TTAForm2::PlotLikelihoodCurves(const TTransisionsAnalyseDataSet* record) {
  MathGrid1->ClearPlot();
  MathGrid1->repaint();
  if (!record) {
    ShowMessage(MessageKind::Confirmation, NoDataMessage);
    PageControl1->setCurrentIndex(0);
    return;
  }
  DrawCurves(*record);
}

void TTAForm2::DrawCurves(const TTransisionsAnalyseDataSet& analysed) {
  const TTransisionsAnalyseDataSet* record = &analysed;
  MathCurve95->StartLine();
  MathCurveAll95->StartLine();
  MathCurveAllCor95->StartLine();
  const double f = MarkerFactor(ProbabilityIndex());
  const struct {
    TMathCurve* curve;
    double height;
  } markers[] = {
      {MathCurve95.get(), f}, {MathCurveAll95.get(), f * record->ML}, {MathCurveAllCor95.get(), f * record->Hazard_ML}};
  for (const auto& marker : markers) {
    marker.curve->AddPoint(AgeGridStart, marker.height);
    marker.curve->AddPoint(AgeGridEnd, marker.height);
  }
  for (const TraitComplex* complex = record->Complexes.get(); complex; complex = complex->Next.get()) {
    if (complex->Complexname == "PUBIS")
      PlotProfile(*MathCurvePub, complex->Profile, complex->Profile);
    else if (complex->Complexname == "AURICULAR")
      PlotProfile(*MathCurveAur, complex->Profile, complex->Profile);
    else if (complex->Complexname == "SUTURES")
      PlotProfile(*MathCurveCra, complex->Profile, complex->Profile);
  }
  PlotProfile(*MathCurveAll, record->Likelihood, record->Likelihood);
  // The ages of the uncorrected profile with the corrected values: both lie on one grid.
  PlotProfile(*MathCurveAllCor, record->Likelihood, record->HazardLikelihood);
}

void TTAForm2::PlotProfile(TMathCurve& curve, AgeProfile ages, AgeProfile values) {
  curve.StartLine();
  for (int i = 0; i < AgeGridSize; ++i)
    curve.AddPoint(ages[static_cast<std::size_t>(i)].Age, values[static_cast<std::size_t>(i)].Lik);
}

void TTAForm2::SpinEditZoomChange() {
  if (MathGrid1->isHidden()) return;
  // A typed value is taken as it is; a text that is no whole number counts as 1.
  bool whole = false;
  int v = SpinEditZoom->cleanText().toInt(&whole);
  if (!whole) v = 1;
  if (v >= 300)
    SpinEditZoom->setSingleStep(100);
  else if (v >= 150)
    SpinEditZoom->setSingleStep(50);
  else if (v >= 50)
    SpinEditZoom->setSingleStep(10);
  else if (v >= 20)
    SpinEditZoom->setSingleStep(5);
  else if (v >= 10)
    SpinEditZoom->setSingleStep(2);
  else if (v >= 1)
    SpinEditZoom->setSingleStep(1);
  MathGrid1->SetSizeY(v / 1000.0);  // refuses 0 or less; the scale and the picture stay
  RedrawCurves();
  MathGrid1->repaint();
}

}  // namespace vorla::gui
