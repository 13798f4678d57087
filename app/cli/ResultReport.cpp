#include "app/cli/ResultReport.h"

#include <charconv>
#include <iomanip>
#include <sstream>

#include "params/CaseRun.h"
#include "store/Schema.h"

namespace vorla::cli {

namespace {

std::string Number(const std::optional<double>& value) {
  if (!value) return "";
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, *value);
  return std::string(buffer, r.ptr);
}

// A stored value with a fixed number of decimals, for the readable table.
std::string Fixed(const std::optional<double>& value, int decimals) {
  if (!value) return "";
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, *value, std::chars_format::fixed, decimals);
  return std::string(buffer, r.ptr);
}

std::optional<double> Result(const RowReport& r, const std::string& field) {
  for (const auto& [name, value] : r.results)
    if (name == field) return value;
  return std::nullopt;
}

void PrintText(const RowReport& r, int level, std::ostream& out) {
  {
    out << "Case " << r.id << " \"" << r.name << "\": ";
    if (r.outcome != "analysed") {
      out << r.message << "\n\n";
      return;
    }
    out << "analysed\n";
    const std::string lower = "L" + std::to_string(level) + "%", upper = "U" + std::to_string(level) + "%";
    out << "  " << std::left << std::setw(18) << "" << std::right << std::setw(8) << lower << std::setw(10)
        << "Estimate" << std::setw(8) << upper << std::setw(5) << "DF" << std::setw(8) << "Chi-sq" << std::setw(7)
        << "p"
        << "\n";
    const auto line = [&](const std::string& caption, const std::string& prefix, bool tests) {
      if (!Result(r, prefix + "MAX_LIKELIHOOD")) return;
      out << "  " << std::left << std::setw(18) << caption << std::right << std::setw(8)
          << Fixed(Result(r, prefix + "LOW95P_CONF"), 1) << std::setw(10)
          << Fixed(Result(r, prefix + "MAX_LIKELIHOOD"), 1) << std::setw(8)
          << Fixed(Result(r, prefix + "UPPER95P_CONF"), 1);
      if (tests)
        out << std::setw(5) << Fixed(Result(r, prefix + "DEGFREE"), 0) << std::setw(8)
            << Fixed(Result(r, prefix + "CHI2"), 1) << std::setw(7) << Fixed(Result(r, prefix + "CHI2_P"), 2);
      out << "\n";
    };
    line("Corrected", "RES_ALLCOR_", false);
    line("Uncorrected", "RES_ALL_", true);
    for (const ComplexPairs& c : KnownComplexes()) line(c.displayName, c.resultPrefix, true);
    out << "\n";
  }
}

}  // namespace

RowReport ReportOfRow(const CaseRow& row, const std::string& outcome, const std::string& message) {
  RowReport r;
  r.id = row.FieldAsInteger("SKELETON_ID");
  r.name = row.FieldAsText("SKELETON_NAME");
  r.outcome = outcome;
  r.message = message;
  for (const FieldInfo& field : CaseFields()) {
    const std::string name(field.name);
    if (name.rfind("RES_", 0) != 0) continue;
    r.results.emplace_back(name, row.FieldIsNull(name) ? std::nullopt : std::optional<double>(row.FieldAsFloat(name)));
  }
  return r;
}

void PrintReports(const std::vector<RowReport>& reports, ReportFormat format, int level, std::ostream& out) {
  ReportPrinter printer(format, level, out);
  for (const RowReport& r : reports) printer.Add(r);
  printer.Finish();
}

void ReportPrinter::Add(const RowReport& r) {
  std::ostream& out = out_;
  const bool first = count_++ == 0;
  if (format_ == ReportFormat::Text) return PrintText(r, level_, out);
  if (format_ == ReportFormat::Csv) {
    if (first) {
      out << "SKELETON_ID,SKELETON_NAME,OUTCOME,MESSAGE";
      for (const auto& result : r.results) out << ',' << result.first;
      out << "\r\n";
    }
    out << r.id << ',' << CsvCell(r.name) << ',' << r.outcome << ',' << CsvCell(r.message);
    for (const auto& result : r.results) out << ',' << Number(result.second);
    out << "\r\n";
    return;
  }
  out << (first ? "[\n " : ",\n ") << "{\"SKELETON_ID\": " << r.id << ", \"SKELETON_NAME\": " << JsonString(r.name)
      << ", \"outcome\": " << JsonString(r.outcome) << ", \"message\": " << JsonString(r.message) << ", \"results\": {";
  for (std::size_t j = 0; j < r.results.size(); ++j) {
    const auto& [name, value] = r.results[j];
    out << (j ? ", " : "") << JsonString(name) << ": " << (value ? Number(value) : "null");
  }
  out << "}}";
}

void ReportPrinter::Finish() {
  if (format_ == ReportFormat::Csv && count_ == 0) out_ << "SKELETON_ID,SKELETON_NAME,OUTCOME,MESSAGE\r\n";
  if (format_ == ReportFormat::Json) out_ << (count_ == 0 ? "[\n]\n" : "\n]\n");
}

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char ch : text) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
  return quoted + "\"";
}

std::string JsonString(const std::string& text) {
  std::ostringstream out;
  out << '"';
  for (unsigned char ch : text) {
    if (ch == '"' || ch == '\\')
      out << '\\' << ch;
    else if (ch < 0x20)
      out << "\\u" << std::hex << std::setw(4) << std::setfill('0') << int(ch) << std::dec;
    else
      out << ch;
  }
  out << '"';
  return out.str();
}

}  // namespace vorla::cli
