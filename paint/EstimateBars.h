#pragma once
// The bar chart of estimates drawn from the stored results of a case: one bar
// per estimate across its confidence interval, corrected and uncorrected
// first, then each selected complex that has results.
#include "paint/BarChart.h"
#include "params/ParameterReader.h"
#include "store/CaseRow.h"

namespace vorla::gui {

// Round to the nearest integer, halves to the even neighbour.
int RoundHalfEven(double value);

// The lower end of the age scale, until the person rescales it.
inline constexpr int EstimatesScaleStart = 10;

// The chart's look before any bar is drawn: title, scales, margins, fonts.
BarChartData EstimatesChartLook();

// The chart's size in pixels in the window at its default size, the size a
// chart drawn without the window takes.
inline constexpr QSize EstimatesChartSize(746, 463);

// The upper end of the age scale for the largest upper limit shown.
int BarScaleUpperEnd(double largestUpperLimit);

// Replaces the bars, the vertical scale and its labels, and the age scale
// (from its usual lower end to an upper end that fits) with those of the
// row's stored results. Throws when the
// combined estimates have no stored limits (the row was not analysed); a
// selected complex without stored limits is left out.
void DrawEstimateBars(const CaseRow& row, const ComplexSelection& selection, BarChartData& chart);

// The caption under the age scale for a confidence level of 90, 95 or 99;
// 0 when the level of the limits was not recorded.
QString EstimatesAxisCaption(int level);

}  // namespace vorla::gui
