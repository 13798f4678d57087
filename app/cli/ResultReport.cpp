#include "app/cli/ResultReport.h"

#include <charconv>
#include <iomanip>
#include <sstream>

#include "params/CaseRun.h"
#include "params/OpenLimits.h"
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

// The result fields open at an end, as FIELD=low or FIELD=high separated by ";".
std::string OpenFieldsCsv(const RowReport& r) {
  std::string text;
  for (const auto& [name, value] : r.results)
    if (const std::string end = OpenEndName(OpenEndOf(name, value)); !end.empty())
      text += (text.empty() ? "" : ";") + name + "=" + end;
  return text;
}

// Right-aligned in a column of this many characters (not bytes: the open marks take three bytes).
std::string Right(const std::string& text, std::size_t width) {
  std::size_t characters = 0;
  for (unsigned char ch : text) characters += (ch & 0xC0) == 0x80 ? 0 : 1;
  return characters >= width ? text : std::string(width - characters, ' ') + text;
}

// An estimate or limit for the readable table: "≤ 15.0" and "≥ 110.0" at the
// ends of the age range, where the interval is open.
std::string Shown(const std::string& field, const std::optional<double>& value) {
  return MarkedOpen(OpenEndOf(field, value), Fixed(value, 1));
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
      const auto shown = [&](const std::string& field, std::size_t width) {
        return Right(Shown(prefix + field, Result(r, prefix + field)), width);
      };
      out << "  " << std::left << std::setw(18) << caption << std::right << shown("LOW95P_CONF", 8)
          << shown("MAX_LIKELIHOOD", 10) << shown("UPPER95P_CONF", 8);
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

namespace {

// The result fields, all of them built in, in column order.
const std::vector<FieldKey>& ResultKeys() {
  static const std::vector<FieldKey> keys = [] {
    std::vector<FieldKey> found;
    for (const FieldInfo& field : CaseFields().first(BuiltInFieldCount()))
      if (field.name.starts_with("RES_") && field.name != kParameterSetField && field.name != kDemonstrationSetField)
        found.emplace_back(std::string(field.name));
    return found;
  }();
  return keys;
}

}  // namespace

RowReport ReportOfRow(const CaseRow& row, const std::string& outcome, const std::string& message) {
  static const FieldKey id{std::string(kKeyField)}, name{std::string(kNameField)};
  RowReport r;
  r.id = row.FieldAsInteger(id);
  r.name = row.FieldAsText(name);
  r.outcome = outcome;
  r.message = message;
  for (const FieldKey& field : ResultKeys())
    r.results.emplace_back(field.Name(),
                           row.FieldIsNull(field) ? std::nullopt : std::optional<double>(row.FieldAsFloat(field)));
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
  if (format_ == ReportFormat::Text) {
    if (first && set_)
      out << "Parameter set: " << set_->fileName << ", \"" << set_->firstLine << "\", SHA-256 " << set_->ShortChecksum()
          << "\n\n";
    return PrintText(r, level_, out);
  }
  if (format_ == ReportFormat::Csv) {
    if (first) {
      out << "SKELETON_ID,SKELETON_NAME,OUTCOME,MESSAGE";
      for (const auto& result : r.results) out << ',' << result.first;
      out << ",OPEN" << (set_ ? ",PARAMETER_FILE,PARAMETER_SET,PARAMETER_SHA256" : "") << "\r\n";
    }
    out << r.id << ',' << CsvCell(r.name) << ',' << r.outcome << ',' << CsvCell(r.message);
    for (const auto& result : r.results) out << ',' << Number(result.second);
    out << ',' << OpenFieldsCsv(r);
    if (set_) out << ',' << CsvCell(set_->fileName) << ',' << CsvCell(set_->firstLine) << ',' << set_->ShortChecksum();
    out << "\r\n";
    return;
  }
  out << (first ? "[\n " : ",\n ") << "{\"SKELETON_ID\": " << r.id << ", \"SKELETON_NAME\": " << JsonString(r.name)
      << ", \"outcome\": " << JsonString(r.outcome) << ", \"message\": " << JsonString(r.message) << ", \"results\": {";
  for (std::size_t j = 0; j < r.results.size(); ++j) {
    const auto& [name, value] = r.results[j];
    out << (j ? ", " : "") << JsonString(name) << ": " << (value ? Number(value) : "null");
  }
  out << "}, \"open\": {";
  bool any = false;
  for (const auto& [name, value] : r.results)
    if (const std::string end = OpenEndName(OpenEndOf(name, value)); !end.empty()) {
      out << (any ? ", " : "") << JsonString(name) << ": " << JsonString(end);
      any = true;
    }
  out << "}";
  if (set_)
    out << ", \"parameter_set\": {\"file\": " << JsonString(set_->fileName)
        << ", \"first_line\": " << JsonString(set_->firstLine) << ", \"sha256\": " << JsonString(set_->ShortChecksum())
        << ", \"demonstration\": " << (set_->demonstration ? "true" : "false") << "}";
  out << "}";
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
