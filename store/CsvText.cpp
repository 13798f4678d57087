#include "store/CsvText.h"

#include "store/StoreError.h"

namespace vorla {
namespace {

class CsvParser {
 public:
  explicit CsvParser(std::string_view text) : text_(text) {
    if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
  }

  std::vector<CsvRecord> Records() {
    std::vector<CsvRecord> records;
    while (pos_ < text_.size()) {
      if (AtLineEnd()) {  // an empty line
        SkipLineEnd();
        continue;
      }
      CsvRecord record;
      record.line = line_;
      for (;;) {
        record.cells.push_back(Cell());
        if (pos_ < text_.size() && text_[pos_] == ',') {
          ++pos_;
          continue;
        }
        if (pos_ < text_.size()) SkipLineEnd();
        break;
      }
      records.push_back(std::move(record));
    }
    return records;
  }

 private:
  bool AtLineEnd() const { return text_[pos_] == '\n' || text_[pos_] == '\r'; }

  void SkipLineEnd() {
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
  }

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw StoreError("line " + std::to_string(line) + ": " + what);
  }

  std::string Cell() {
    if (pos_ < text_.size() && text_[pos_] == '"') return QuotedCell();
    std::string cell;
    while (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) {
      if (text_[pos_] == '"') Fail(line_, "a quote inside a cell that does not begin with one");
      cell += text_[pos_++];
    }
    return cell;
  }

  std::string QuotedCell() {
    const int opened_on = line_;
    ++pos_;
    std::string cell;
    for (;;) {
      if (pos_ >= text_.size()) Fail(opened_on, "a quoted cell is not closed");
      const char c = text_[pos_];
      if (c == '"') {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
          cell += '"';
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      if (c == '\n' || (c == '\r' && !(pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n'))) {
        ++line_;
      }
      cell += c;
      ++pos_;
    }
    if (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) {
      Fail(line_, "text after the closing quote of a cell");
    }
    return cell;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

}  // namespace

std::vector<CsvRecord> ParseCsv(std::string_view text) {
  return CsvParser(text).Records();
}

std::string CsvCell(std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(value);
  std::string quoted = "\"";
  for (const char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace vorla
