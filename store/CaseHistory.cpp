#include "store/CaseHistory.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <mutex>
#include <optional>

#include "store/CaseCsv.h"
#include "store/CaseTable.h"
#include "store/CsvText.h"

namespace vorla {
namespace {

std::mutex& WriterMutex() {
  static std::mutex mutex;
  return mutex;
}

CaseWriter& DefaultWriter() {
  static CaseWriter writer{LoginFullName(), {}};
  return writer;
}

bool IsResultField(std::string_view name) {
  // Compared in place: every post asks this of every field.
  return name.size() > 4 && (name[0] | 0x20) == 'r' && (name[1] | 0x20) == 'e' && (name[2] | 0x20) == 's' &&
         name[3] == '_';
}

const FieldValue* Find(const std::vector<FieldValue>& row, std::string_view field) {
  const int index = FindCaseField(field);
  if (index < 0 || static_cast<std::size_t>(index) >= row.size()) return nullptr;
  const FieldValue& value = row[static_cast<std::size_t>(index)];
  return IsNull(value) ? nullptr : &value;
}

std::string OneDecimal(const FieldValue& value) {
  if (const auto* d = std::get_if<double>(&value)) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", *d);
    return text;
  }
  return HistoryValueText(value);
}

// "37.4 (32.6–42.9) at 95 %" of the corrected estimate, or of the estimate
// without correction when the row has none; empty without either.
std::string Estimate(const std::vector<FieldValue>& row) {
  std::string prefix = "RES_ALLCOR_", caption;
  if (Find(row, "RES_ALLCOR_MAX_LIKELIHOOD") == nullptr) {
    prefix = "RES_ALL_";
    caption = "uncorrected ";
  }
  const FieldValue* estimate = Find(row, prefix + "MAX_LIKELIHOOD");
  if (estimate == nullptr) return {};
  // The limit fields hold the limits at the level the results were computed at.
  std::string text = caption + OneDecimal(*estimate);
  const FieldValue* low = Find(row, prefix + "LOW95P_CONF");
  const FieldValue* upper = Find(row, prefix + "UPPER95P_CONF");
  if (low != nullptr && upper != nullptr) text += " (" + OneDecimal(*low) + "\u2013" + OneDecimal(*upper) + ")";
  if (const FieldValue* level = Find(row, kLevelField)) text += " at " + HistoryValueText(*level) + " %";
  return text;
}

HistoryItem AnalysisItem(const std::vector<FieldValue>* before, const std::vector<FieldValue>& after) {
  HistoryItem item;
  item.field = "results";
  if (before != nullptr) item.oldValue = Estimate(*before);
  item.newValue = Estimate(after);
  if (Find(after, "RES_ALL_MAX_LIKELIHOOD") == nullptr && Find(after, "RES_ALLCOR_MAX_LIKELIHOOD") == nullptr) {
    item.change = "results cleared";
    return item;
  }
  item.change = "analysed";
  if (const FieldValue* level = Find(after, kLevelField)) item.change += " at " + HistoryValueText(*level) + " %";
  if (const FieldValue* set = Find(after, kParameterSetField)) {
    const std::string sum = HistoryValueText(*set);
    if (!sum.empty()) item.change += " with set " + sum.substr(0, 12) + "\u2026";
  }
  if (const FieldValue* corrected = Find(after, "RES_ALLCOR_MAX_LIKELIHOOD")) {
    item.change += "; corrected " + OneDecimal(*corrected);
    const FieldValue* low = Find(after, "RES_ALLCOR_LOW95P_CONF");
    const FieldValue* upper = Find(after, "RES_ALLCOR_UPPER95P_CONF");
    if (low != nullptr && upper != nullptr)
      item.change += " (" + OneDecimal(*low) + "\u2013" + OneDecimal(*upper) + ")";
  }
  return item;
}

}  // namespace

std::string LoginFullName() {
  const uid_t uid = getuid();
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(static_cast<std::size_t>(size > 0 ? size : 16384), '\0');
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    std::string gecos = found->pw_gecos != nullptr ? found->pw_gecos : "";
    gecos = gecos.substr(0, gecos.find(','));
    if (!TrimBlanks(gecos).empty()) return std::string(TrimBlanks(gecos));
    if (found->pw_name != nullptr && *found->pw_name != '\0') return found->pw_name;
  }
  if (const char* login = getlogin(); login != nullptr) return login;
  return {};
}

CaseWriter DefaultCaseWriter() {
  const std::lock_guard<std::mutex> lock(WriterMutex());
  return DefaultWriter();
}

void SetDefaultCaseWriter(CaseWriter writer) {
  const std::lock_guard<std::mutex> lock(WriterMutex());
  DefaultWriter() = std::move(writer);
}

const std::vector<std::string_view>& HistoryColumns() {
  static const std::vector<std::string_view> columns = {"HISTORY_ID", "SKELETON_ID", "SKELETON_NAME", "CHANGED_AT",
                                                        "ANALYST",    "PROGRAM",     "DB_USER",       "CHANGE",
                                                        "FIELD",      "OLD_VALUE",   "NEW_VALUE"};
  return columns;
}

std::vector<std::string> HistoryCells(const HistoryLine& line) {
  return {std::to_string(line.id),
          std::to_string(line.key),
          line.name,
          line.time,
          line.analyst,
          line.program,
          line.serverUser,
          line.change,
          line.field,
          line.oldValue,
          line.newValue};
}

std::string HistoryColumnList() {
  std::string list;
  for (std::size_t i = 1; i < HistoryColumns().size(); ++i)
    list += (i > 1 ? ", " : "") + std::string(HistoryColumns()[i]);
  return list;
}

std::string UtcTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
  return text;
}

FieldValue TextOrNull(const std::string& text) {
  return text.empty() ? FieldValue{} : FieldValue{text};
}

std::string HistoryValueText(const FieldValue& value) {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&value)) return FormatReal(*d);
  if (const auto* s = std::get_if<std::string>(&value)) return *s;
  return {};
}

std::vector<HistoryItem> DescribePost(const std::vector<FieldValue>* before, const std::vector<FieldValue>& after,
                                      const std::string& origin) {
  std::vector<HistoryItem> items;
  if (before == nullptr) {
    items.push_back({origin.empty() ? "new case" : origin, {}, {}, {}});
    if (!origin.empty()) return items;
  }
  const auto fields = CaseFields();
  bool results = false;
  for (std::size_t i = 1; i < after.size() && i < fields.size(); ++i) {
    const FieldValue& now = after[i];
    const FieldValue none;
    const FieldValue& was = before != nullptr && i < before->size() ? (*before)[i] : none;
    if (was == now) continue;
    if (IsResultField(fields[i].name)) {
      results = true;
      continue;
    }
    items.push_back({"changed", std::string(fields[i].name), HistoryValueText(was), HistoryValueText(now)});
  }
  if (results) items.insert(items.begin() + (before == nullptr ? 1 : 0), AnalysisItem(before, after));
  return items;
}

std::vector<HistoryItem> DescribeDeletion(const std::vector<FieldValue>& row) {
  std::vector<HistoryItem> items{{"deleted", {}, {}, {}}};
  const auto fields = CaseFields();
  for (std::size_t i = 1; i < row.size() && i < fields.size(); ++i)
    if (!IsNull(row[i])) items.push_back({"deleted", std::string(fields[i].name), HistoryValueText(row[i]), {}});
  return items;
}

int ExportHistoryCsv(const CaseTable& table, const std::string& path) {
  return WriteCsvFile(path, [&table](std::ostream& out) {
    std::string text;
    for (const std::string_view column : HistoryColumns()) text += (text.empty() ? "" : ",") + std::string(column);
    out << text << "\r\n";
    int lines = 0;
    table.ForEachHistoryLine({}, [&](const HistoryLine& line) {
      text.clear();
      const std::vector<std::string> cells = HistoryCells(line);
      for (std::size_t i = 0; i < cells.size(); ++i) text += (i > 0 ? "," : "") + CsvCell(cells[i]);
      out << text << "\r\n";
      ++lines;
    });
    return lines;
  });
}

}  // namespace vorla
