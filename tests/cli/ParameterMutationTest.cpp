// Damaged parameter files against `analyze --all`: truncated and byte-mutated
// copies of the demonstration set and of the acceptance cases' files, drawn
// from a fixed seed. A cut file, and a well-formed one that contradicts
// itself, is refused before any row is written, naming the file and the line;
// any other damage is refused the same way or gives a
// well-formed file whose run goes to its end. No row is left half written.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include <unistd.h>

#include "CommandOutcome.h"
#include "app/cli/Commands.h"
#include "params/ParameterCheck.h"
#include "store/CaseTable.h"
#include "store/Schema.h"

using namespace vorla;
using cli::test::Command;
using cli::test::Outcome;
using cli::test::ReadAll;
using cli::test::WriteAll;
namespace fs = std::filesystem;

namespace {

// Where the last token of the file's structure begins: a cut before it leaves
// the file short of at least its final list end.
std::size_t LastTokenStart(const std::string& text) {
  std::size_t end = text.size();
  for (;;) {
    while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    const std::size_t lineStart = text.rfind('\n', end == 0 ? 0 : end - 1);
    const std::size_t first = text.find_first_not_of(" \t\r", lineStart == std::string::npos ? 0 : lineStart + 1);
    if (first != std::string::npos && first < end && text[first] == '#') {
      end = lineStart == std::string::npos ? 0 : lineStart;
      continue;
    }
    break;
  }
  std::size_t start = end;
  while (start > 0 && static_cast<unsigned char>(text[start - 1]) > ' ') --start;
  return start;
}

struct Mutant {
  std::string text;
  bool truncated = false;
  bool contradiction = false;  // a well-formed file that contradicts itself
  std::string how;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t end = text.find('\n', from);
    const std::size_t next = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(from, next - from));
    from = next;
  }
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

// A line whose first number is replaced.
std::string WithFirstNumber(const std::string& line, const std::string& number) {
  const std::size_t begin = line.find_first_not_of(" \t");
  const std::size_t end = line.find_first_of(" \t\r\n", begin);
  return line.substr(0, begin) + number + line.substr(end);
}

// One contradiction of the set's own structure: two rows of one transition
// swapped, a side count changed, a component listed twice, two complexes of
// one name. Every one must be refused.
Mutant Contradict(const std::string& source, std::mt19937& random) {
  Mutant m;
  ParameterStructure s;
  try {
    s = ParseParameterText(source, "source");
  } catch (const std::exception&) {
    return {source, false, false, "unchanged (the source is refused itself)"};
  }
  std::vector<std::string> lines = Lines(source);
  std::vector<const ComponentStructure*> components;
  for (const ComplexStructure& c : s.complexes)
    for (const ComponentStructure& k : c.components) components.push_back(&k);
  if (components.empty()) return {source, false, false, "unchanged (the source has no component)"};
  m.contradiction = true;
  const ComponentStructure& k = *components[random() % components.size()];
  const auto line = [&lines](int number) -> std::string& { return lines[static_cast<std::size_t>(number - 1)]; };
  switch (random() % 4) {
    case 0: {
      const int t = static_cast<int>(random() % static_cast<unsigned>(k.transitions));
      const int g1 = static_cast<int>(random() % 4), g2 = (g1 + 1 + static_cast<int>(random() % 3)) % 4;
      std::swap(line(k.blockLine + t * 4 + g1), line(k.blockLine + t * 4 + g2));
      m.how = "rows of groups " + std::to_string(g1 + 1) + " and " + std::to_string(g2 + 1) + " of transition " +
              std::to_string(t + 1) + " of " + k.name + " swapped";
      break;
    }
    case 1: {
      const int sides = k.sideCount == 1 ? 2 + static_cast<int>(random() % 2) : (random() % 2 == 0 ? 1 : 3);
      line(k.line) = WithFirstNumber(line(k.line), std::to_string(sides));
      m.how = "side count of " + k.name + " made " + std::to_string(sides);
      break;
    }
    case 2: {  // the whole component again, right after itself
      const auto first = lines.begin() + (k.line - 1), last = lines.begin() + (k.blockLine - 1 + k.transitions * 4);
      const std::vector<std::string> copy(first, last);
      lines.insert(last, copy.begin(), copy.end());
      m.how = k.name + " listed twice";
      break;
    }
    default: {
      if (s.complexes.size() < 2) return Contradict(source, random);
      const std::size_t a = random() % s.complexes.size(), b = (a + 1) % s.complexes.size();
      std::string& header = line(s.complexes[b].line);
      header = WithFirstNumber(header, "1");
      const std::size_t number = header.find('1');
      header = header.substr(0, number + 1) + " " + s.complexes[a].name + (header.back() == '\n' ? "\n" : "");
      m.how = "complex " + s.complexes[b].name + " renamed " + s.complexes[a].name;
      break;
    }
  }
  m.text = Joined(lines);
  return m;
}

Mutant Mutate(const std::string& source, std::mt19937& random) {
  Mutant m;
  const auto pick = [&random](std::size_t n) {
    return static_cast<std::size_t>(random() % std::max<std::size_t>(n, 1));
  };
  if (random() % 5 == 0) return Contradict(source, random);
  if (random() % 2 == 0) {
    m.truncated = true;
    const std::size_t limit = LastTokenStart(source);
    std::size_t cut = pick(limit);
    if (random() % 2 == 0) {  // at a line end, as `head -n` cuts
      const std::size_t lineEnd = source.rfind('\n', cut);
      cut = lineEnd == std::string::npos ? 0 : lineEnd + 1;
    }
    m.text = source.substr(0, cut);
    m.how = "cut at byte " + std::to_string(cut);
    return m;
  }
  m.text = source;
  const int edits = 1 + static_cast<int>(random() % 3);
  for (int i = 0; i < edits && !m.text.empty(); ++i) {
    const std::size_t at = pick(m.text.size());
    switch (random() % 6) {
      case 0:
        m.text[at] = static_cast<char>(random() % 256);
        m.how += "byte " + std::to_string(at) + " replaced; ";
        break;
      case 1:
        m.text.erase(at, 1);
        m.how += "byte " + std::to_string(at) + " deleted; ";
        break;
      case 2:
        m.text.insert(at, 1, "0123456789 .-e\n\t#"[random() % 17]);
        m.how += "byte inserted at " + std::to_string(at) + "; ";
        break;
      case 3:
        if (std::isdigit(static_cast<unsigned char>(m.text[at]))) m.text[at] = static_cast<char>('0' + random() % 10);
        m.how += "digit at " + std::to_string(at) + " changed; ";
        break;
      case 4: {  // a line doubled
        const std::size_t begin = m.text.rfind('\n', at);
        const std::size_t from = begin == std::string::npos ? 0 : begin + 1;
        const std::size_t end = m.text.find('\n', at);
        const std::string line = m.text.substr(from, (end == std::string::npos ? m.text.size() : end + 1) - from);
        m.text.insert(from, line);
        m.how += "line at byte " + std::to_string(at) + " doubled; ";
        break;
      }
      default: {  // a line dropped
        const std::size_t begin = m.text.rfind('\n', at);
        const std::size_t from = begin == std::string::npos ? 0 : begin + 1;
        const std::size_t end = m.text.find('\n', at);
        m.text.erase(from, (end == std::string::npos ? m.text.size() : end + 1) - from);
        m.how += "line at byte " + std::to_string(at) + " dropped; ";
        break;
      }
    }
  }
  return m;
}

// Every stored row: combined and corrected estimates stored together or not at all.
std::string HalfWrittenRow(const fs::path& dir) {
  CaseTable table;
  table.Open(dir.string());
  const int all = FindCaseField("RES_ALL_MAX_LIKELIHOOD");
  const int corrected = FindCaseField("RES_ALLCOR_MAX_LIKELIHOOD");
  const int df = FindCaseField("RES_ALL_DEGFREE");
  std::string problem;
  table.ForEachStoredRow([&](const std::vector<FieldValue>& row) {
    const bool a = !IsNull(row[all]), c = !IsNull(row[corrected]), d = !IsNull(row[df]);
    if (a != c || a != d) problem = "a row holds some of its combined results and not others";
  });
  return problem;
}

}  // namespace

TEST(ParameterMutation, DamagedFilesAreRefusedOrRunToTheEnd) {
  const auto started = std::chrono::steady_clock::now();
  const fs::path work = fs::temp_directory_path() / ("vorla-mutation-" + std::to_string(::getpid()));
  fs::remove_all(work);
  const fs::path templ = work / "template";
  fs::create_directories(templ);
  // Three example cases: the four groups are reached through the sources' own files.
  {
    const std::string examples = ReadAll(VORLA_TEST_EXAMPLES);
    std::istringstream lines(examples);
    std::string header, line, csv;
    std::getline(lines, header);
    csv = header + "\n";
    for (int i = 0; i < 3 && std::getline(lines, line); ++i) csv += line + "\n";
    WriteAll(work / "three.csv", csv);
    ASSERT_EQ(Command(&cli::ImportCommand, {"--dir", templ.string(), (work / "three.csv").string()}).code, 0);
  }
  const std::string emptyTable = ReadAll(templ / "TAData.db");

  std::vector<std::pair<std::string, std::string>> sources = {{"demonstration set", ReadAll(VORLA_TEST_PARAMETERS)}};
  for (const auto& entry : fs::directory_iterator(VORLA_TEST_ACCEPTANCE_CASES))
    if (fs::exists(entry.path() / "Parameters.dat"))
      sources.emplace_back(entry.path().filename().string(), ReadAll(entry.path() / "Parameters.dat"));
  ASSERT_GT(sources.size(), 10u);

  std::mt19937 random(20261209);
  const std::regex namesFileAndLine("Parameters\\.dat, line [0-9]+: ");
  const fs::path dir = work / "run";
  int truncated = 0, contradictions = 0, refused = 0, ranThrough = 0, failures = 0;
  constexpr int MutantCount = 3000;
  for (int n = 0; n < MutantCount && failures < 10; ++n) {
    const auto& [sourceName, source] = sources[random() % sources.size()];
    const Mutant m = Mutate(source, random);
    fs::remove_all(dir);
    fs::create_directories(dir);
    WriteAll(dir / "TAData.db", emptyTable);
    WriteAll(dir / "Parameters.dat", m.text);
    const Outcome o = Command(&cli::AnalyzeCommand, {"--dir", dir.string(), "--all", "--format", "csv"});
    const std::string what = "mutant " + std::to_string(n) + " of " + sourceName + " (" + m.how + "): exit " +
                             std::to_string(o.code) + ", " + o.err.substr(0, 300);
    const bool isRefusal = (o.code == 1 || o.code == 3) && o.out.empty();
    if (m.truncated) ++truncated;
    if (m.contradiction) ++contradictions;
    if (isRefusal) {
      ++refused;
      const bool named = std::regex_search(o.err, namesFileAndLine);
      const bool unchanged = ReadAll(dir / "TAData.db") == emptyTable;
      if (!named || !unchanged) {
        ++failures;
        ADD_FAILURE() << what << (named ? "" : " [names no file and line]") << (unchanged ? "" : " [table changed]");
      }
      continue;
    }
    if (m.truncated || m.contradiction) {
      ++failures;
      ADD_FAILURE() << what << (m.truncated ? " [a cut file was not refused]" : " [a contradiction was not refused]");
      continue;
    }
    // A well-formed file: the run reports every case and leaves whole rows.
    ++ranThrough;
    const long reported = std::count(o.out.begin(), o.out.end(), '\n');
    const std::string halfWritten = HalfWrittenRow(dir);
    if ((o.code != 0 && o.code != 3) || reported < 4 || !halfWritten.empty()) {
      ++failures;
      ADD_FAILURE() << what << " [" << reported << " report lines; " << halfWritten << "]";
    }
  }
  fs::remove_all(work);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::cout << MutantCount << " mutants: " << truncated << " cut, " << contradictions << " contradicting, " << refused
            << " refused, " << ranThrough << " ran to the end, in " << seconds << " s\n";
  EXPECT_GT(truncated, MutantCount / 3);
  EXPECT_GT(contradictions, MutantCount / 10);
  EXPECT_GT(ranThrough, 0);  // the damage is not always fatal: the check does not refuse everything
}
