#include "paint/CaseReport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <stdexcept>

#include "engine/PriorModels.h"
#include "paint/EstimateBars.h"
#include "paint/EstimatesTable.h"
#include "paint/ReportMetadata.h"
#include "paint/SavedFile.h"
#include "params/CaseRun.h"
#include "params/StoredResults.h"
#include "store/Schema.h"

namespace vorla::gui {

namespace {

QString TextOf(const CaseTable& table, const std::string& field) {
  return table.FieldIsNull(field) ? QString() : QString::fromStdString(table.DisplayText(field));
}

}  // namespace

std::optional<ModelParameters> ParametersOfModel(const std::string& model, const OwnMortalityModels* ownModels) {
  const QString lower = QString::fromStdString(model).toLower();
  const HazardTableType* table = lower == QStringLiteral("archeological") ? &ArcheologicalHazard
                                 : lower == QStringLiteral("forensic")    ? &ForensicHazard
                                                                          : nullptr;
  if (table) return ModelParameters{(*table)[2], (*table)[3], (*table)[4], false};
  if (const OwnMortalityModel* own = ownModels ? FindOwnModel(model, *ownModels) : nullptr)
    return ModelParameters{own->A, own->B, own->C, true};
  return std::nullopt;
}

std::string ParametersText(const ModelParameters& p) {
  const auto number = [](double x) { return QString::number(x, 'g', 6).toStdString(); };
  return "A = " + number(p.A) + ", B = " + number(p.B) + ", C = " + number(p.C);
}

std::string MortalityModelText(const std::string& model, const OwnMortalityModels* ownModels) {
  std::string text = "Mortality model: " + (model.empty() ? std::string("none chosen") : model);
  const std::optional<ModelParameters> p = ParametersOfModel(model, ownModels);
  if (!p) return text;
  return text + (p->own ? ", the folder's own" : ",") + " Gompertz-Makeham hazard A + B exp(C x) with " +
         ParametersText(*p);
}

QPageLayout ReportPageLayout() {
  return QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(12.7, 12.7, 12.7, 12.7),
                     QPageLayout::Millimeter);
}

namespace {

// A score pair as "3", "3-4", or "-" when not scored.
QString PairText(const CaseTable& table, const std::string& base) {
  const QString low = TextOf(table, base + "_LOW"), upper = TextOf(table, base + "_UPPER");
  if (low.isEmpty() && upper.isEmpty()) return QStringLiteral("-");
  if (low.isEmpty() || upper.isEmpty() || low == upper) return low.isEmpty() ? upper : low;
  return low + QLatin1Char('-') + upper;
}

// The traits of the parameter set's own that the table has: "APEX L 3-4 R 3; SURF 2".
QString OtherTraitsText(const CaseTable& table) {
  QStringList traits;
  for (const OwnTraitColumns& trait : DeclaredOwnTraits()) {
    if (!IsCaseField(trait.name + (trait.paired ? "_R_LOW" : "_LOW"))) continue;
    const QString name = QString::fromStdString(trait.name);
    traits << (trait.paired ? name + QStringLiteral(" L ") + PairText(table, trait.name + "_L") +
                                  QStringLiteral(" R ") + PairText(table, trait.name + "_R")
                            : name + QLatin1Char(' ') + PairText(table, trait.name));
  }
  return traits.join(QStringLiteral("; "));
}

}  // namespace

void FillCaseFields(const CaseTable& table, ReportContent& content) {
  for (const std::string& field : ReportScoreFields()) content.fields[field] = TextOf(table, field);
  content.fields["SKELETON_NAME"] = TextOf(table, "SKELETON_NAME");
  content.fields["TA_Notes"] = table.FieldIsNull("TA_Notes")
                                   ? QString()
                                   : QString::fromStdString(table.FieldTextStart("TA_Notes", MostNotesBytesOnPage));
  try {
    content.otherTraits = OtherTraitsText(table);
  } catch (const FieldNotFound&) {
    // Traits declared after this table was opened: it has no fields for them.
  }
}

QString ModelLine(const CaseTable& table) {
  return QStringLiteral("Hazard Model: ") + TextOf(table, "HAZARDFUNC") + QLatin1Char(' ') + TextOf(table, "RACE") +
         QLatin1Char(' ') + TextOf(table, "SEX");
}

void CopyEstimateCells(ReportContent& content, int rowCount, const std::function<QString(int, int)>& cellText) {
  for (auto& row : content.cells)
    for (ReportCell& cell : row) cell = ReportCell{};
  for (int r = 0; r < rowCount && r < 6; ++r)
    for (int c = 0; c < 7; ++c) {
      if (r == 0 && c == 0) continue;
      ReportCell& cell = content.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      cell.enabled = true;
      cell.text = cellText(c, r);
    }
}

QString ReportTimestamp() {
  return QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

ReportProvenance ProvenanceOf(const ParameterIdentity& set, const QString& model, int level, const QString& analyst,
                              const OwnMortalityModels* ownModels) {
  ReportProvenance p;
  p.setLine = QStringLiteral("Parameter set: %1, \"%2\", SHA-256 %3")
                  .arg(QString::fromStdString(set.fileName), QString::fromStdString(set.firstLine),
                       QString::fromStdString(set.ShortChecksum()));
  p.methodLine = QString::fromStdString(MortalityModelText(model.toStdString(), ownModels)) +
                 QStringLiteral("; limits at the %1 % level").arg(level);
  p.analyst = analyst;
  p.demonstration = set.demonstration;
  p.setChecksum = QString::fromStdString(set.sha256);
  return p;
}

ReportContent StoredCaseReport(const CaseTable& table, int unrecordedLevel, const ParameterIdentity* set,
                               const QString& analyst, const OwnMortalityModels* ownModels) {
  if (table.FieldIsNull("RES_ALLCOR_MAX_LIKELIHOOD")) throw NoResultsToReport("no stored results");
  const std::string recordedSet = table.FieldIsNull(std::string(kParameterSetField))
                                      ? std::string()
                                      : table.FieldAsText(std::string(kParameterSetField));
  if (set && !recordedSet.empty() && recordedSet != set->sha256)
    throw NoResultsToReport("its results were computed with another parameter set (SHA-256 " +
                            recordedSet.substr(0, 12) + ") than " + set->fileName + " (" + set->ShortChecksum() + ")");
  const ComplexSelection selection = StoredSelection(table);

  ReportContent content;
  FillCaseFields(table, content);
  content.modelLine = ModelLine(table);
  content.caption = QString::fromLatin1(WindowCaption);
  content.printedAt = ReportTimestamp();
  content.chart = EstimatesChartLook();
  const int level = RecordedLevel(table) != 0 ? RecordedLevel(table) : unrecordedLevel;
  content.chart.AxisCaption = EstimatesAxisCaption(level);
  DrawEstimateBars(table, selection, content.chart);
  content.chartSize = EstimatesChartSize;
  const EstimatesTable estimates = FillEstimatesTable(table, selection, level);
  CopyEstimateCells(content, estimates.rowCount,
                    [&estimates](int column, int row) { return estimates.Cell(column, row); });
  if (set) {
    content.provenance = ProvenanceOf(*set, TextOf(table, "HAZARDFUNC"), level, analyst, ownModels);
    RecordCase(table, content.provenance);
  }
  return content;
}

ReportContent BlankScoreForm() {
  ReportContent content;
  content.blankForm = true;
  content.modelLine = QStringLiteral("Hazard Model: ");
  content.caption = QString::fromLatin1(WindowCaption);
  CopyEstimateCells(content, 6, [](int column, int row) {
    if (row == 0) return EstimatesHead(column, 95);
    if (column != 0) return QString();
    if (row <= 2) return row == 1 ? QStringLiteral("Corrected") : QStringLiteral("Uncorrected");
    return QString::fromLatin1(KnownComplexes()[static_cast<std::size_t>(row - 3)].displayName);
  });
  return content;
}

void WriteReportPdf(const QString& path, const ReportContent& content) {
  // The PDF writer does not look at what its device answers; the device
  // remembers a refused write, and the file then replaces nothing.
  SaveFile(path, [&content](QIODevice& device) {
    QPdfWriter writer(&device);
    writer.setPageLayout(ReportPageLayout());
    writer.setResolution(600);
    writer.setCreator(QStringLiteral("VORLA"));
    writer.setTitle(content.fields.count("SKELETON_NAME") ? content.fields.at("SKELETON_NAME") : QString());
    const ReportProvenance& p = content.provenance;
    if (!p.setLine.isEmpty()) writer.setDocumentXmpMetadata(ReportXmp(content));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    PaintReport(painter, writer.resolution() / 25.4, content);
    return painter.end();
  });
}

}  // namespace vorla::gui
