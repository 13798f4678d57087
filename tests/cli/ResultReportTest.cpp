// What analyze prints: an estimate or limit at 15 or 110 years is marked as
// open at that end in the table, CSV and JSON, and every stored value is
// printed as it is.
#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/ResultReport.h"

using namespace vorla::cli;

namespace {

RowReport Report() {
  RowReport r;
  r.id = 7;
  r.name = "B-12";
  r.outcome = "analysed";
  r.results = {{"RES_ALL_MAX_LIKELIHOOD", 22.5}, {"RES_ALL_STD_ERROR", 15.0},       {"RES_ALL_LOW95P_CONF", 15.0},
               {"RES_ALL_UPPER95P_CONF", 40.2},  {"RES_ALLCOR_MAX_LIKELIHOOD", 24}, {"RES_ALLCOR_LOW95P_CONF", 16.1},
               {"RES_ALLCOR_UPPER95P_CONF", 41}, {"RES_CRA_MAX_LIKELIHOOD", 110.0}, {"RES_CRA_LOW95P_CONF", 77.7},
               {"RES_CRA_UPPER95P_CONF", 110.0}, {"RES_PUB_MAX_LIKELIHOOD", {}},    {"RES_PUB_LOW95P_CONF", {}}};
  return r;
}

std::string Printed(ReportFormat format) {
  std::ostringstream out;
  PrintReports({Report()}, format, 95, out);
  return out.str();
}

std::string Line(const std::string& text, const std::string& start) {
  const std::size_t at = text.find(start);
  return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
}

std::size_t Characters(const std::string& text) {
  std::size_t n = 0;
  for (unsigned char ch : text) n += (ch & 0xC0) == 0x80 ? 0 : 1;
  return n;
}

}  // namespace

TEST(ResultReport, TheTableMarksOpenEndsAndKeepsItsColumns) {
  const std::string text = Printed(ReportFormat::Text);
  const std::string uncorrected = Line(text, "  Uncorrected");
  const std::string corrected = Line(text, "  Corrected");
  const std::string sutures = Line(text, "  Cranial Sutures");
  EXPECT_NE(uncorrected.find("\u2264 15.0      22.5    40.2"), std::string::npos) << text;
  EXPECT_NE(sutures.find("77.7   \u2265 110.0 \u2265 110.0"), std::string::npos) << text;
  EXPECT_EQ(corrected.find("\u2264"), std::string::npos);  // 16.1 is no end
  // The marks take the room of the padding: every column ends where it did.
  EXPECT_EQ(Characters(uncorrected.substr(0, uncorrected.find("22.5"))),
            Characters(corrected.substr(0, corrected.find("24.0"))));
  EXPECT_EQ(Characters(sutures.substr(0, sutures.find(" 77.7") + 5)),
            Characters(uncorrected.substr(0, uncorrected.find(" 15.0") + 5)));
}

TEST(ResultReport, CsvAndJsonNameTheOpenFieldsBesideTheStoredValues) {
  const std::string csv = Printed(ReportFormat::Csv);
  const std::string header = csv.substr(0, csv.find("\r\n"));
  EXPECT_EQ(header.substr(header.size() - 5), ",OPEN");
  const std::string row = csv.substr(header.size() + 2);
  EXPECT_NE(row.find(",22.5,15,15,40.2,"), std::string::npos) << row;  // the stored numbers
  EXPECT_NE(row.find(",RES_ALL_LOW95P_CONF=low;RES_CRA_MAX_LIKELIHOOD=high;RES_CRA_UPPER95P_CONF=high\r\n"),
            std::string::npos)
      << row;

  const std::string json = Printed(ReportFormat::Json);
  EXPECT_NE(json.find("\"RES_ALL_LOW95P_CONF\": 15,"), std::string::npos) << json;
  EXPECT_NE(json.find("}, \"open\": {\"RES_ALL_LOW95P_CONF\": \"low\", \"RES_CRA_MAX_LIKELIHOOD\": \"high\", "
                      "\"RES_CRA_UPPER95P_CONF\": \"high\"}}"),
            std::string::npos)
      << json;

  // A case without results has an empty OPEN cell and an empty object.
  RowReport none;
  none.id = 3;
  none.outcome = "nodata";
  none.message = "No data to analyze.";
  none.results = {{"RES_ALL_MAX_LIKELIHOOD", {}}};
  std::ostringstream out;
  PrintReports({none}, ReportFormat::Json, 95, out);
  EXPECT_NE(out.str().find("\"open\": {}}"), std::string::npos) << out.str();
  std::ostringstream table;
  PrintReports({none}, ReportFormat::Csv, 95, table);
  EXPECT_NE(table.str().find("No data to analyze.,,\r\n"), std::string::npos) << table.str();
}
