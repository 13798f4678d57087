#include "paint/CaseFiles.h"

#include <QBuffer>
#include <QImage>
#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "paint/CaseReport.h"
#include "paint/GraphExport.h"

namespace vorla::gui {

std::optional<ChartFormat> ChartFormatNamed(const std::string& text) {
  if (text == "wmf") return ChartFormat::Metafile;
  if (text == "bmp") return ChartFormat::Bitmap;
  if (text == "png") return ChartFormat::Png;
  if (text == "svg") return ChartFormat::Svg;
  return std::nullopt;
}

std::string ReportFileStem(const std::string& caseNumber, std::int32_t id, std::set<std::string>& taken) {
  std::string stem;
  for (const char c : caseNumber) {
    const auto u = static_cast<unsigned char>(c);
    const bool plain = u < 128 && (std::isalnum(u) || c == '-' || c == '_' || c == '.');
    stem += plain ? c : '_';
  }
  if (!stem.empty() && stem.front() == '.') stem.front() = '_';
  if (stem.empty()) stem = "case-" + std::to_string(id);
  // A long case number is cut to a name every file system takes, and the key
  // keeps the cut names apart.
  if (stem.size() > MaxReportStemLength) {
    const std::string key = "_" + std::to_string(id);
    stem = stem.substr(0, MaxReportStemLength - key.size()) + key;
  }
  const auto folded = [](std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
  };
  if (taken.count(folded(stem))) stem += "_" + std::to_string(id);
  // Even the name with the key added may be taken by a case number that looks like it.
  for (int n = 2; taken.count(folded(stem)); ++n) stem += "_" + std::to_string(n);
  taken.insert(folded(stem));
  return stem;
}

void WriteChartFile(const BarChartData& chart, QSize size, ChartFormat format, const std::filesystem::path& stem) {
  QByteArray bytes;
  std::string extension;
  switch (format) {
    case ChartFormat::Metafile:
      bytes = BarChartMetafile(chart, size, 96);
      extension = ".wmf";
      break;
    case ChartFormat::Bitmap:
      bytes = BmpBytes(BarChartBitmap(chart, size));
      extension = ".bmp";
      break;
    case ChartFormat::Png: {
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      // Quality 89 is zlib's fastest compression: the same pixels, written in
      // a fraction of the time of the default, for a slightly larger file.
      if (!BarChartBitmap(chart, size).save(&buffer, "PNG", 89))
        throw std::runtime_error("The PNG could not be encoded");
      extension = ".png";
      break;
    }
    case ChartFormat::Svg:
      bytes = BarChartSvg(chart, size);
      extension = ".svg";
      break;
  }
  WriteGraphFile(QString::fromStdString(stem.string() + extension), bytes);
}

void WriteCaseReportFiles(const CaseTable& table, int unrecordedLevel, std::optional<ChartFormat> chart,
                          const std::filesystem::path& stem, const ParameterIdentity* set, const QString& analyst,
                          const OwnMortalityModels* ownModels) {
  WriteReportFiles(StoredCaseReport(table, unrecordedLevel, set, analyst, ownModels), chart, stem);
}

void WriteReportFiles(const ReportContent& content, std::optional<ChartFormat> chart,
                      const std::filesystem::path& stem) {
  WriteReportPdf(QString::fromStdString(stem.string() + ".pdf"), content);
  if (chart) WriteChartFile(content.chart, content.chartSize, *chart, stem);
}

}  // namespace vorla::gui
