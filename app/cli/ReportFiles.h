#pragma once
// The files vorla-cli report writes: their names, made from case numbers, and
// the bar chart in one of four picture formats.
#include <QGuiApplication>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "paint/BarChart.h"

namespace vorla::cli {

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
void WriteChartFile(const gui::BarChartData& chart, QSize size, ChartFormat format, const std::filesystem::path& stem);

// The application painting text needs, made when there is none yet; without
// a display it paints offscreen.
std::unique_ptr<QGuiApplication> PaintingApplication(const char* argv0);

}  // namespace vorla::cli
