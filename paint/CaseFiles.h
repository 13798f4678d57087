#pragma once
// The files of a case's report: their names, made from case numbers, the
// bar chart in one of four picture formats, and the report with its chart.
#include <QSize>
#include <filesystem>
#include <optional>
#include <set>
#include <string>

#include "engine/PriorModels.h"
#include "paint/BarChart.h"
#include "paint/Report.h"
#include "params/ParameterIdentity.h"
#include "store/CaseTable.h"

namespace vorla::gui {

enum class ChartFormat { Metafile, Bitmap, Png, Svg };

// "wmf", "bmp", "png" or "svg"; none for any other text.
std::optional<ChartFormat> ChartFormatNamed(const std::string& text);

// The name (without extension) of a case's files: the case number with every
// character other than ASCII letters, digits, '-', '_' and '.' made '_' (and
// no leading '.'); "case-" + id when the number is empty; id added when that
// name is in `taken`, which receives the name given (compared without regard
// to case, as file systems may). A name longer than MaxReportStemLength is
// cut, with "_" + id at its end.
inline constexpr std::size_t MaxReportStemLength = 100;
std::string ReportFileStem(const std::string& caseNumber, std::int32_t id, std::set<std::string>& taken);

// Writes the chart at this size as stem + ".wmf", ".bmp", ".png" or ".svg";
// throws std::runtime_error naming the file when it cannot be written.
void WriteChartFile(const BarChartData& chart, QSize size, ChartFormat format, const std::filesystem::path& stem);

// The report as stem + ".pdf" and, when a format is given, its chart beside
// it; throws when a file cannot be written. Safe on any thread.
void WriteReportFiles(const ReportContent& content, std::optional<ChartFormat> chart,
                      const std::filesystem::path& stem);
// The current row's report from its stored results as stem + ".pdf" and, when
// a format is given, its chart beside it; throws when the row holds no
// results (of the set, when given) or a file cannot be written. Reads the row only.
void WriteCaseReportFiles(const CaseTable& table, int unrecordedLevel, std::optional<ChartFormat> chart,
                          const std::filesystem::path& stem, const ParameterIdentity* set = nullptr,
                          const QString& analyst = {}, const OwnMortalityModels* ownModels = nullptr);

}  // namespace vorla::gui
