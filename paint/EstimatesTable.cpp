#include "paint/EstimatesTable.h"

#include <QLocale>

#include "engine/AnalysisTree.h"
#include "params/CaseRun.h"
#include "params/OpenLimits.h"
#include "store/DisplayFormat.h"

namespace vorla::gui {

QString EstimatesHead(int column, int level) {
  static const std::array<const char*, 7> heads = {"", " L_", "Point_Est", " U_", "DF", "Chi-sq", " p"};
  QString head = QString::fromLatin1(heads[static_cast<std::size_t>(column)]);
  if (column == 1 || column == 3)
    head += level > 0 ? QString::number(level) + QStringLiteral("% ") : QStringLiteral("CI ");
  return head;
}

namespace {

// The system's decimal separator in place of the point.
QString LocalDecimals(QString text) {
  const QString point = QLocale().decimalPoint();
  if (point != QStringLiteral(".")) text.replace(QLatin1Char('.'), point);
  return text;
}

// A number in a picture format such as "0.0"; an empty field gives an empty text.
QString Formatted(const CaseRow& row, const std::string& field, const char* format) {
  if (row.FieldIsNull(field)) return {};
  return LocalDecimals(QString::fromStdString(FormatFloat(format, row.FieldAsFloat(field))));
}

// An estimate or limit with one decimal, marked where it is open.
QString Limit(const CaseRow& row, const std::string& field) {
  const QString number = Formatted(row, field, "0.0");
  if (number.isEmpty()) return number;
  return QString::fromStdString(MarkedOpen(OpenEndOf(field, row.FieldAsFloat(field)), number.toStdString()));
}

// A number in the general format, up to 15 significant digits; an empty field gives an empty text.
QString AsText(const CaseRow& row, const std::string& field) {
  if (row.FieldIsNull(field)) return {};
  return LocalDecimals(QString::number(row.FieldAsFloat(field), 'g', 15));
}

// A stored probability of 1 that no test can have given: a complex gets no
// test without degrees of freedom or with its maximum at an end of the age
// grid, and then the summary's correction stores 1.
bool CorrectedToOne(const CaseRow& row, const std::string& prefix) {
  if (row.FieldIsNull(prefix + "CHI2_P") || row.FieldAsFloat(prefix + "CHI2_P") != 1.0) return false;
  if (row.FieldIsNull(prefix + "DEGFREE") || row.FieldAsFloat(prefix + "DEGFREE") <= 0) return true;
  const double mla = row.FieldAsFloat(prefix + "MAX_LIKELIHOOD");
  return mla == AgeGridStart || mla == AgeGridEnd;
}

}  // namespace

EstimatesTable FillEstimatesTable(const CaseRow& row, const ComplexSelection& selection, int level) {
  EstimatesTable table;
  const auto set = [&table](int column, int r, const QString& text) {
    table.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(column)] = text;
  };
  const auto limits = [&](int r, const std::string& prefix) {
    set(1, r, Limit(row, prefix + "LOW95P_CONF"));
    set(2, r, Limit(row, prefix + "MAX_LIKELIHOOD"));
    set(3, r, Limit(row, prefix + "UPPER95P_CONF"));
  };

  for (int c = 1; c <= 6; ++c) set(c, 0, EstimatesHead(c, level));
  set(0, 0, QString::fromStdString(row.FieldAsText("SKELETON_NAME")));

  set(0, 1, QStringLiteral("Corrected"));
  limits(1, "RES_ALLCOR_");
  for (int c = 4; c <= 6; ++c) set(c, 1, QStringLiteral(" -"));

  set(0, 2, QStringLiteral("Uncorrected"));
  limits(2, "RES_ALL_");
  set(4, 2, AsText(row, "RES_ALL_DEGFREE"));
  set(5, 2, AsText(row, "RES_ALL_CHI2"));
  const bool combinedP = !row.FieldIsNull("RES_ALL_CHI2_P") && row.FieldAsFloat("RES_ALL_CHI2_P") > -1e-13;
  set(6, 2, combinedP ? Formatted(row, "RES_ALL_CHI2_P", "0.00") : QStringLiteral(" -"));

  int r = 2;
  for (int i = 0; i < 3; ++i) {
    if (!SelectionFlag(selection, i)) continue;
    ++r;
    const ComplexPairs& complex = KnownComplexes()[static_cast<std::size_t>(i)];
    const std::string prefix = complex.resultPrefix;
    set(0, r, QString::fromLatin1(complex.displayName));
    // A complex without results (no scores in this row) keeps empty cells.
    if (row.FieldIsNull(prefix + "MAX_LIKELIHOOD")) continue;
    limits(r, prefix);
    set(4, r, AsText(row, prefix + "DEGFREE"));
    const bool freedom = !row.FieldIsNull(prefix + "DEGFREE") && row.FieldAsFloat(prefix + "DEGFREE") > 0;
    set(5, r, freedom ? AsText(row, prefix + "CHI2") : QStringLiteral(" - "));
    const bool shownAsOne = row.FieldIsNull(prefix + "CHI2_P") || CorrectedToOne(row, prefix);
    set(6, r, shownAsOne ? QStringLiteral("1") : Formatted(row, prefix + "CHI2_P", "0.00"));
  }
  table.rowCount = r + 1;
  return table;
}

}  // namespace vorla::gui
