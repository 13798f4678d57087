#pragma once
// What the headless tool prints about the rows it analysed: a readable table,
// CSV or JSON.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "params/ParameterIdentity.h"
#include "store/CaseRow.h"

namespace vorla::cli {

struct RowReport {
  std::int32_t id = 0;
  std::string name;
  std::string outcome;  // "analysed", "nodata", "refused", "failed"
  std::string message;
  std::vector<std::pair<std::string, std::optional<double>>> results;  // the 29 result fields
};

// The row's identification and its result fields as they are stored now.
RowReport ReportOfRow(const CaseRow& row, const std::string& outcome, const std::string& message);

// An estimate or limit stored at 15 or 110, the ends of the age range, is
// open at that end: the table shows it as "≤ 15.0" or "≥ 110.0"; CSV adds a
// last column OPEN and JSON an object "open", both naming such fields with
// "low" or "high". The stored values themselves are printed unchanged.
enum class ReportFormat { Text, Csv, Json };
void PrintReports(const std::vector<RowReport>& reports, ReportFormat format, int level, std::ostream& out);

// Prints reports one at a time, exactly as PrintReports prints them all.
// With a parameter set, the output names it: a first line of the table, and
// the columns PARAMETER_FILE, PARAMETER_SET and PARAMETER_SHA256 (its first
// 12 hex digits) after OPEN in CSV, an object "parameter_set" in JSON.
class ReportPrinter {
 public:
  ReportPrinter(ReportFormat format, int level, std::ostream& out, const ParameterIdentity* set = nullptr)
      : format_(format), level_(level), out_(out), set_(set) {}
  void Add(const RowReport& report);
  // Closes the list (the CSV header or the JSON brackets of an empty list).
  void Finish();

 private:
  ReportFormat format_;
  int level_;
  std::ostream& out_;
  const ParameterIdentity* set_;
  std::size_t count_ = 0;
};

// A cell of a CSV line, quoted when it holds a comma, a quote or a line break.
std::string CsvCell(const std::string& text);
// A JSON string literal of the text.
std::string JsonString(const std::string& text);

}  // namespace vorla::cli
