#pragma once
// The report page's machine-readable record, kept in the PDF as XMP metadata
// that any PDF reader shows (pdfinfo -meta): the title and tool, the set and
// the method, the analyst, and the case the numbers were computed from with
// the results stored with them, so that a reviewer can have the page
// recomputed from the file alone.
#include <QByteArray>
#include <string>
#include <utility>
#include <vector>

#include "paint/Report.h"
#include "store/CaseTable.h"

namespace vorla::gui {

using RecordedFields = std::vector<std::pair<std::string, std::string>>;

// Records the current row in the page's provenance: its key, case number,
// model choices, every score and every stored result, as the table holds
// them (empty fields are left out), and the server's user name.
void RecordCase(const CaseTable& table, ReportProvenance& provenance);

// The XMP packet of the page.
QByteArray ReportXmp(const ReportContent& content);

// The case record of a report PDF written with ReportXmp, from the file's
// bytes; throws std::runtime_error when the file carries none.
RecordedFields ReadRecordedCase(const QByteArray& pdf);

}  // namespace vorla::gui
