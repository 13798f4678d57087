#include "store/CsvText.h"

#include <istream>

#include "store/StoreError.h"

namespace vorla {

// The text is taken whole or read from a stream a piece at a time; either
// way buf_ holds the unread part from pos_ on.
class CsvParser {
 public:
  explicit CsvParser(std::string_view text) : buf_(text) { SkipByteOrderMark(); }
  explicit CsvParser(std::istream& in) : in_(&in) { SkipByteOrderMark(); }

  bool Next(CsvRecord& record) {
    Compact();
    while (Has(0) && AtLineEnd()) SkipLineEnd();  // empty lines
    if (!Has(0)) return false;
    record.line = line_;
    record.cells.clear();
    for (;;) {
      record.cells.push_back(Cell());
      if (Has(0) && buf_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (Has(0)) SkipLineEnd();
      break;
    }
    return true;
  }

 private:
  void SkipByteOrderMark() {
    if (Has(2) && buf_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;
  }

  // Whether the character k places after the current one exists, reading
  // more of the stream when needed.
  bool Has(std::size_t k) {
    while (pos_ + k >= buf_.size()) {
      if (in_ == nullptr || !*in_) return false;
      char chunk[1 << 16];
      in_->read(chunk, sizeof chunk);
      if (in_->bad()) throw StoreError("the file cannot be read");
      if (in_->gcount() == 0) return false;
      buf_.append(chunk, static_cast<std::size_t>(in_->gcount()));
    }
    return true;
  }

  // Drops what has been read, now and then, so a streamed file is never held whole.
  void Compact() {
    if (in_ != nullptr && pos_ > (1u << 16)) {
      buf_.erase(0, pos_);
      pos_ = 0;
    }
  }

  bool AtLineEnd() const { return buf_[pos_] == '\n' || buf_[pos_] == '\r'; }

  void SkipLineEnd() {
    if (buf_[pos_] == '\r' && Has(1) && buf_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
  }

  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw StoreError("line " + std::to_string(line) + ": " + what);
  }

  std::string Cell() {
    if (Has(0) && buf_[pos_] == '"') return QuotedCell();
    std::string cell;
    while (Has(0) && buf_[pos_] != ',' && !AtLineEnd()) {
      if (buf_[pos_] == '"') Fail(line_, "a quote inside a cell that does not begin with one");
      cell += buf_[pos_++];
    }
    return cell;
  }

  std::string QuotedCell() {
    const int opened_on = line_;
    ++pos_;
    std::string cell;
    for (;;) {
      if (!Has(0)) Fail(opened_on, "a quoted cell is not closed");
      const char c = buf_[pos_];
      if (c == '"') {
        if (Has(1) && buf_[pos_ + 1] == '"') {
          cell += '"';
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      if (c == '\n' || (c == '\r' && !(Has(1) && buf_[pos_ + 1] == '\n'))) {
        ++line_;
      }
      cell += c;
      ++pos_;
    }
    if (Has(0) && buf_[pos_] != ',' && !AtLineEnd()) {
      Fail(line_, "text after the closing quote of a cell");
    }
    return cell;
  }

  std::istream* in_ = nullptr;
  std::string buf_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

CsvReader::CsvReader(std::istream& in) : parser_(std::make_unique<CsvParser>(in)) {}
CsvReader::~CsvReader() = default;

bool CsvReader::Next(CsvRecord& record) {
  return parser_->Next(record);
}

std::vector<CsvRecord> ParseCsv(std::string_view text) {
  CsvParser parser(text);
  std::vector<CsvRecord> records;
  for (CsvRecord record; parser.Next(record);) records.push_back(record);
  return records;
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
