#pragma once
// What fills the report page for one case of the case table, and the page
// written as a PDF file.
#include <QPageLayout>
#include <QString>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "engine/PriorModels.h"
#include "paint/Report.h"
#include "params/ParameterIdentity.h"
#include "store/CaseTable.h"

namespace vorla::gui {

// US Letter, portrait, margins of 12.7 mm on all four sides.
QPageLayout ReportPageLayout();

// The display texts of the current row's score fields, case number and notes.
void FillCaseFields(const CaseTable& table, ReportContent& content);

// "Hazard Model: " followed by the mortality model, ancestry and sex of the
// current row, separated by blanks that stay when a field is empty.
QString ModelLine(const CaseTable& table);

// Empties and disables every cell of the report's estimates table, then
// enables and fills the cells of the first rowCount rows (all seven columns)
// with the texts cellText(column, row) gives; the corner cell stays unused.
void CopyEstimateCells(ReportContent& content, int rowCount, const std::function<QString(int, int)>& cellText);

// The date and time printed in the footer.
QString ReportTimestamp();

// Where the numbers of a page come from: the set, the mortality model of the
// row with its parameters, the level, and who made the page.
// "Mortality model: Forensic, Gompertz-Makeham hazard A + B exp(C x) with
// A = 0, B = 0.03142, C = 0.01618", for the built-in models and those of the
// folder's own (among ownModels); a model that is none of them is named as it
// stands.
std::string MortalityModelText(const std::string& model, const OwnMortalityModels* ownModels = nullptr);
// The hazard A + B exp(C x) of a built-in model or one of the folder's own
// (any letter case); none for a text that names no model.
struct ModelParameters {
  double A = 0, B = 0, C = 0;
  bool own = false;
};
std::optional<ModelParameters> ParametersOfModel(const std::string& model, const OwnMortalityModels* ownModels);
// "A = 0, B = 0.03142, C = 0.01618".
std::string ParametersText(const ModelParameters& parameters);

// The page's footer lines; a model of the folder's own (among ownModels) is
// given with its parameters, as the built-in models are.
ReportProvenance ProvenanceOf(const ParameterIdentity& set, const QString& model, int level, const QString& analyst,
                              const OwnMortalityModels* ownModels = nullptr);

// A row without results to report, or with results of another set: what()
// ends in the headless tool's advice; Reason() says only what is missing, for
// a caller that gives advice of its own.
class NoResultsToReport : public std::runtime_error {
 public:
  explicit NoResultsToReport(const std::string& reason)
      : std::runtime_error(reason + "; run 'vorla-cli analyze' on it first"), reason_(reason) {}
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

// The whole report of the current row from its stored results, as the window
// prints it: the complexes with stored results are the ones analysed, the
// limits are labelled with the level recorded with them (unrecordedLevel, or
// "not recorded" when that is 0, for results stored before the level was),
// the chart has the size it has in the window at its default size, the footer
// the window's caption. With the set in use, the page names it, and results
// that the row records as computed with another set are refused. Throws
// when the row holds no results, or none of that set. Reads the row only.
ReportContent StoredCaseReport(const CaseTable& table, int unrecordedLevel, const ParameterIdentity* set = nullptr,
                               const QString& analyst = {}, const OwnMortalityModels* ownModels = nullptr);

// The blank score form: the report's page with every field and result empty,
// the value boxes framed, for scoring by hand.
ReportContent BlankScoreForm();

// Paints the page into a PDF file; throws std::runtime_error naming the file
// when it cannot be written.
void WriteReportPdf(const QString& path, const ReportContent& content);

}  // namespace vorla::gui
