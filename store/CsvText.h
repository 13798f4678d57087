#pragma once
// Comma-separated text as RFC 4180 has it: fields in double quotes may hold
// commas, line breaks and quotes (written twice); lines end in CR LF or LF.
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorla {

struct CsvRecord {
  int line = 0;  // line of the file on which the record begins, from 1
  std::vector<std::string> cells;
};

// Every record of the text. A UTF-8 byte order mark at the start and empty
// lines are skipped. An unterminated quote, a quote inside an unquoted cell
// and text after a closing quote raise a StoreError naming the line.
std::vector<CsvRecord> ParseCsv(std::string_view text);

class CsvParser;

// The records of a stream one at a time, read as ParseCsv reads a text, so
// that a large file is never held whole.
class CsvReader {
 public:
  explicit CsvReader(std::istream& in);
  ~CsvReader();
  CsvReader(const CsvReader&) = delete;
  CsvReader& operator=(const CsvReader&) = delete;
  // The next record; false at the end. Throws as ParseCsv does, and a
  // StoreError when the stream cannot be read.
  bool Next(CsvRecord& record);

 private:
  std::unique_ptr<CsvParser> parser_;
};

// The cell as written into a file: quoted when it holds a comma, a quote or
// a line break.
std::string CsvCell(std::string_view value);

}  // namespace vorla
