#pragma once
// The printed report of one case: what fills the page, and the page drawn in
// millimetres from the top left corner of the printable area (US Letter,
// margins of 12.7 mm).
#include <QString>
#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "paint/BarChart.h"

class QPainter;

namespace vorla::gui {

// The program's fixed titles; the report's footer carries the window's caption.
inline constexpr const char* ApplicationTitle = "VORLA Age estimation 2";
inline constexpr const char* WindowCaption = "VORLA Age estimation 2.1.046";

struct ReportCell {
  bool enabled = false;
  QString text;
};

// The notes box shows a few lines: the page takes no more of the notes than
// this many bytes, far more than the box shows even of the narrowest letters,
// so that long notes are neither copied nor laid out whole.
inline constexpr std::size_t MostNotesBytesOnPage = 8192;

// Where the page's numbers came from, printed above the footer and kept in
// the file's metadata.
struct ReportProvenance {
  QString setLine;             // the parameter set: file name, first line, checksum
  QString methodLine;          // the mortality model with its parameters, and the level
  QString analyst;             // who made the page; empty when not named
  QString serverUser;          // the user name on the database server; empty for a file
  bool demonstration = false;  // the set is a demonstration: the page says so across it
  QString setChecksum;         // the whole SHA-256, for the metadata
  // What the page's numbers were computed from and the results stored with
  // them, by field name (paint/ReportMetadata), for the metadata.
  std::vector<std::pair<std::string, std::string>> caseRecord;
};

struct ReportContent {
  std::map<std::string, QString> fields;  // display texts of the case's fields by name
  QString otherTraits;                    // the scores of the traits of one's own, one line; empty without them
  QString modelLine;
  QString caption;  // the window's caption, in the footer
  QString printedAt;
  // The estimates table, rows 0 to 5 by columns 0 to 6; cell (0, 0) unused.
  std::array<std::array<ReportCell, 7>, 6> cells{};
  BarChartData chart;
  QSize chartSize;  // no chart when empty
  // A form to fill in by hand: value boxes and the notes box framed, lines to
  // write the case number and the model on.
  bool blankForm = false;
  ReportProvenance provenance;  // empty on the blank form
};

// The names of the score fields on the report, in the order of the page.
std::vector<std::string> ReportScoreFields();

// Draws the page from the painter's origin (the top left corner of the
// printable area); millimetresToDevice: device units per millimetre.
void PaintReport(QPainter& painter, double millimetresToDevice, const ReportContent& content);

}  // namespace vorla::gui
