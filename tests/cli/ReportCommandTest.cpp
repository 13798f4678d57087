// vorla-cli report and form: the files written for a collection, their names,
// the chart in each picture format, and what is refused.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QFile>
#include <QImage>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "CommandOutcome.h"
#include "DemoFolder.h"
#include "app/cli/Commands.h"
#include "paint/CaseFiles.h"
#include "paint/EstimateBars.h"
#include "paint/GraphExport.h"
#include "store/CaseTable.h"

using namespace vorla;
using vorla::cli::test::Command;
using vorla::cli::test::Outcome;
namespace fs = std::filesystem;

namespace {

std::string Bytes(const fs::path& file, std::size_t count) {
  std::ifstream in(file, std::ios::binary);
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

std::vector<std::string> FilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A case folder with the ten example skeletons, not yet analysed.
class ReportCommand : public ::testing::Test {
 protected:
  void AnalyseAll() {
    const Outcome analysed = Command(&cli::AnalyzeCommand, {"--dir", dir.string(), "--all"});
    ASSERT_EQ(analysed.code, 0) << analysed.err;
  }
  cli::test::DemoFolder folder{"report"};
  fs::path dir = folder.Path();
};

}  // namespace

TEST(ReportFileNames, CaseNumbersBecomeSafeDistinctNames) {
  std::set<std::string> taken;
  EXPECT_EQ(gui::ReportFileStem("K-17.3_a", 1, taken), "K-17.3_a");
  EXPECT_EQ(gui::ReportFileStem("a/b\\c:d*e?f\"g<h>i|j k", 2, taken), "a_b_c_d_e_f_g_h_i_j_k");
  EXPECT_EQ(gui::ReportFileStem("../etc", 3, taken), "_._etc");
  EXPECT_EQ(gui::ReportFileStem("..", 4, taken), "_.");
  EXPECT_EQ(gui::ReportFileStem("", 5, taken), "case-5");
  EXPECT_EQ(gui::ReportFileStem("Gräber", 6, taken), "Gr__ber");  // two bytes in UTF-8
  // The same number twice, or numbers that differ only in case or in unsafe
  // characters, get the key added.
  EXPECT_EQ(gui::ReportFileStem("K-17.3_a", 7, taken), "K-17.3_a_7");
  EXPECT_EQ(gui::ReportFileStem("k-17.3_A", 8, taken), "k-17.3_A_8");
  EXPECT_EQ(gui::ReportFileStem("a/b\\c:d*e?f\"g<h>i|j k", 9, taken), "a_b_c_d_e_f_g_h_i_j_k_9");
  // Even a number that looks like a name with its key added.
  EXPECT_EQ(gui::ReportFileStem("K-17.3_a_7", 10, taken), "K-17.3_a_7_10");
  EXPECT_EQ(gui::ReportFileStem("K-17.3_a_7", 10, taken), "K-17.3_a_7_10_2");
}

TEST(ReportFileNames, ChartFormats) {
  EXPECT_EQ(gui::ChartFormatNamed("wmf"), gui::ChartFormat::Metafile);
  EXPECT_EQ(gui::ChartFormatNamed("svg"), gui::ChartFormat::Svg);
  EXPECT_FALSE(gui::ChartFormatNamed("WMF"));
  EXPECT_FALSE(gui::ChartFormatNamed("jpg"));
}

TEST_F(ReportCommand, AllCasesGiveOnePdfEach) {
  AnalyseAll();
  const fs::path out = dir / "reports" / "new";
  const Outcome r = Command(&cli::ReportCommand, {"--dir", dir.string(), "--all", "--out", out.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("10 report(s) written"), std::string::npos);
  const std::vector<std::string> files = FilesIn(out);
  ASSERT_EQ(files.size(), 10u);
  EXPECT_EQ(files.front(), "DEMO-01_young_adult.pdf");
  for (const std::string& name : files) {
    EXPECT_EQ(Bytes(out / name, 5), "%PDF-") << name;
    EXPECT_GT(fs::file_size(out / name), 5000u) << name;
  }
}

TEST_F(ReportCommand, ChartInEveryFormat) {
  AnalyseAll();
  const fs::path out = dir / "out";
  for (const char* format : {"wmf", "bmp", "png", "svg"}) {
    const Outcome r = Command(&cli::ReportCommand, {"--dir", dir.string(), "--name", "DEMO-03 old individual", "--out",
                                                    out.string(), "--chart", format});
    ASSERT_EQ(r.code, 0) << format << ": " << r.err;
  }
  EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"DEMO-03_old_individual.bmp", "DEMO-03_old_individual.pdf",
                                                    "DEMO-03_old_individual.png", "DEMO-03_old_individual.svg",
                                                    "DEMO-03_old_individual.wmf"}));
  const fs::path stem = out / "DEMO-03_old_individual";
  for (const char* extension : {".bmp", ".png"}) {
    const QImage image(QString::fromStdString(stem.string() + extension));
    EXPECT_EQ(image.size(), gui::EstimatesChartSize) << extension;
    // The corrected bar, blue, is somewhere on the picture.
    bool blue = false;
    for (int y = 0; y < image.height() && !blue; ++y)
      for (int x = 0; x < image.width() && !blue; ++x) blue = image.pixel(x, y) == qRgb(0, 0, 255);
    EXPECT_TRUE(blue) << extension;
  }
  // The metafile: header record (type 1) with the " EMF" signature at 40.
  const std::string emf = Bytes(stem.string() + ".wmf", 44);
  ASSERT_EQ(emf.size(), 44u);
  EXPECT_EQ(emf.substr(0, 4), std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(emf.substr(40, 4), " EMF");
  std::ifstream svg(stem.string() + ".svg");
  const std::string svgText((std::istreambuf_iterator<char>(svg)), std::istreambuf_iterator<char>());
  EXPECT_NE(svgText.find("<svg"), std::string::npos);
  EXPECT_NE(svgText.find("Estimated Age with 95% CI"), std::string::npos);
  EXPECT_NE(svgText.find("Uncorrected"), std::string::npos);
}

// The caption names the level the row's limits were stored at; --level
// stands in only for results stored before the level was recorded.
TEST_F(ReportCommand, RecordedLevelNamesTheCaption) {
  const Outcome analysed = Command(&cli::AnalyzeCommand, {"--dir", dir.string(), "--id", "1", "--level", "99"});
  ASSERT_EQ(analysed.code, 0) << analysed.err;
  const auto caption = [this](std::vector<std::string> options) {
    std::vector<std::string> args = {"--dir", dir.string(),         "--id",    "1",
                                     "--out", (dir / "o").string(), "--chart", "svg"};
    args.insert(args.end(), options.begin(), options.end());
    const Outcome r = Command(&cli::ReportCommand, args);
    EXPECT_EQ(r.code, 0) << r.err;
    std::ifstream svg(dir / "o" / "DEMO-01_young_adult.svg");
    const std::string text((std::istreambuf_iterator<char>(svg)), std::istreambuf_iterator<char>());
    const auto at = text.find("Estimated Age with");
    return at == std::string::npos ? std::string() : text.substr(at, text.find('<', at) - at);
  };
  EXPECT_EQ(caption({}), "Estimated Age with 99% CI");
  EXPECT_EQ(caption({"--level", "90"}), "Estimated Age with 99% CI");

  // Results from before the level was recorded.
  {
    vorla::CaseTable table;
    table.Open(dir.string());
    table.Edit();
    table.SetFieldNull("RES_CI_LEVEL");
    table.Post();
  }
  EXPECT_EQ(caption({}), "Estimated Age with CI (level not recorded)");
  EXPECT_EQ(caption({"--level", "90"}), "Estimated Age with 90% CI");
}

// Cases without results are named and skipped; the others are written; the
// store is left as it was.
TEST_F(ReportCommand, CasesWithoutResultsAreRefused) {
  const Outcome analysed = Command(&cli::AnalyzeCommand, {"--dir", dir.string(), "--id", "2"});
  ASSERT_EQ(analysed.code, 0) << analysed.err;
  const auto before = fs::last_write_time(dir / "TAData.db");
  const Outcome r = Command(&cli::ReportCommand, {"--dir", dir.string(), "--all", "--out", (dir / "o").string()});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(FilesIn(dir / "o"), std::vector<std::string>{"DEMO-02_middle-aged.pdf"});
  EXPECT_NE(r.err.find("Case 1 \"DEMO-01 young adult\": no stored results"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Case 10 "), std::string::npos);
  EXPECT_EQ(fs::last_write_time(dir / "TAData.db"), before);
}

// A page names the set that made its numbers, in its text and its metadata,
// and a demonstration set across the page; results that another set made
// are not printed under this one.
TEST_F(ReportCommand, ThePageNamesItsSetAndRefusesResultsOfAnother) {
  const Outcome analysed = Command(&cli::AnalyzeCommand, {"--dir", dir.string(), "--id", "1"});
  ASSERT_EQ(analysed.code, 0) << analysed.err;
  EXPECT_NE(analysed.err.find("DEMONSTRATION PARAMETER SET: NOT FOR CASEWORK: Parameters.dat says"), std::string::npos)
      << analysed.err;
  const Outcome r = Command(&cli::ReportCommand, {"--dir", dir.string(), "--id", "1", "--out", (dir / "o").string(),
                                                  "--analyst", "A. Osteo"});
  ASSERT_EQ(r.code, 0) << r.err;
  const fs::path pdf = dir / "o" / "DEMO-01_young_adult.pdf";
  const auto tool = [](const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
      char buffer[4096];
      for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
      ::pclose(pipe);
    }
    return text;
  };
  std::string sha;
  {
    vorla::CaseTable table;
    table.Open(dir.string());
    sha = table.FieldAsText("RES_PARAM_SHA256");
  }
  ASSERT_EQ(sha.size(), 64u);
  const std::string page = tool("pdftotext -layout '" + pdf.string() + "' -");
  for (const std::string& expected : std::vector<std::string>{
           "DEMONSTRATION PARAMETER SET: NOT FOR CASEWORK", "Parameter set: Parameters.dat",
           "SHA-256 " + sha.substr(0, 12), "Gompertz-Makeham", "limits at the 95 % level", "Analyst: "})
    EXPECT_NE(page.find(expected), std::string::npos) << expected << "\n" << page;
  EXPECT_NE(tool("pdfinfo -meta '" + pdf.string() + "'").find(sha), std::string::npos);

  {
    vorla::CaseTable table;
    table.Open(dir.string());
    table.Edit();
    table.SetFieldText("RES_PARAM_SHA256", std::string(64, 'a'));
    table.Post();
  }
  const Outcome other =
      Command(&cli::ReportCommand, {"--dir", dir.string(), "--id", "1", "--out", (dir / "p").string()});
  EXPECT_EQ(other.code, 3);
  EXPECT_NE(other.err.find("computed with another parameter set (SHA-256 aaaaaaaaaaaa)"), std::string::npos)
      << other.err;
}

// Written on several threads, the files, their charts and the messages about
// the cases without results are those one job gives, in the same order.
TEST_F(ReportCommand, SeveralJobsWriteWhatOneJobWrites) {
  for (const char* id : {"2", "5", "6", "9"}) {
    const Outcome analysed = Command(&cli::AnalyzeCommand, {"--dir", dir.string(), "--id", id});
    ASSERT_EQ(analysed.code, 0) << analysed.err;
  }
  const auto report = [&](const char* jobs, const fs::path& out) {
    return Command(&cli::ReportCommand,
                   {"--dir", dir.string(), "--all", "--out", out.string(), "--chart", "svg", "--jobs", jobs});
  };
  const Outcome one = report("1", dir / "one");
  const Outcome three = report("3", dir / "three");
  EXPECT_EQ(one.code, 3);
  EXPECT_EQ(three.code, one.code);
  EXPECT_EQ(three.err, one.err);
  EXPECT_NE(one.err.find("Case 1 "), std::string::npos);
  EXPECT_LT(one.err.find("Case 3 "), one.err.find("Case 10 "));
  EXPECT_NE(three.out.find("4 report(s) written"), std::string::npos) << three.out;
  const std::vector<std::string> files = FilesIn(dir / "one");
  ASSERT_EQ(files.size(), 8u);
  EXPECT_EQ(FilesIn(dir / "three"), files);
  for (const std::string& name : files) {
    const auto size = fs::file_size(dir / "one" / name);
    if (name.ends_with(".svg"))
      EXPECT_EQ(Bytes(dir / "three" / name, size + 1), Bytes(dir / "one" / name, size + 1)) << name;
    else
      EXPECT_EQ(Bytes(dir / "three" / name, 5), "%PDF-") << name;
  }
  EXPECT_EQ(report("0", dir / "none").code, 2);
}

TEST_F(ReportCommand, UsageAndFolderErrors) {
  const std::string d = dir.string();
  EXPECT_EQ(Command(&cli::ReportCommand, {"--dir", d, "--all"}).code, 2);                             // no --out
  EXPECT_EQ(Command(&cli::ReportCommand, {"--dir", d, "--out", "x"}).code, 2);                        // no case
  EXPECT_EQ(Command(&cli::ReportCommand, {"--dir", d, "--all", "--id", "1", "--out", "x"}).code, 2);  // two
  EXPECT_EQ(Command(&cli::ReportCommand, {"--dir", d, "--all", "--out", "x", "--chart", "gif"}).code, 2);
  EXPECT_EQ(Command(&cli::ReportCommand, {"--dir", d, "--all", "--out", "x", "--level", "80"}).code, 2);
  EXPECT_EQ(Command(&cli::ReportCommand, {"--dir", d, "--id", "x1", "--out", "x"}).code, 2);
  const Outcome missing = Command(&cli::ReportCommand, {"--dir", d, "--name", "nobody", "--out", (dir / "o").string()});
  EXPECT_EQ(missing.code, 3);
  EXPECT_NE(missing.err.find("There is no case named \"nobody\"."), std::string::npos);
  // A file where the folder should be.
  std::ofstream(dir / "plain") << "x";
  const Outcome blocked = Command(&cli::ReportCommand, {"--dir", d, "--all", "--out", (dir / "plain").string()});
  EXPECT_EQ(blocked.code, 3);
  EXPECT_NE(blocked.err.find("cannot be made"), std::string::npos);
}

TEST_F(ReportCommand, BlankForm) {
  const fs::path form = dir / "form.pdf";
  const Outcome r = Command(&cli::FormCommand, {"--out", form.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Bytes(form, 5), "%PDF-");
  EXPECT_EQ(Command(&cli::FormCommand, {"--out", (dir / "no" / "such" / "f.pdf").string()}).code, 3);
  EXPECT_EQ(Command(&cli::FormCommand, {"stray"}).code, 2);
}

// Every report file and the form, written onto a full disk (a file size
// limit below any PDF's size, its signal ignored so that writes fail): the
// run says which file and fails, and the earlier files stay as they were.
// A stopped earlier run's temporary file is cleared by the next run.
TEST_F(ReportCommand, AFullDiskIsAFailureAndKeepsTheEarlierFiles) {
  AnalyseAll();
  const fs::path out = dir / "out";
  fs::create_directories(out);
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_GT(gone, 0);
  ::waitpid(gone, nullptr, 0);
  const std::string stale = ".DEMO-01_young_adult.pdf.part-" + std::to_string(gone) + "-1";
  cli::test::WriteAll(out / stale, "left by a killed run");
  const std::string form = (out / "form.pdf").string();
  const struct {
    const char* what;
    std::vector<std::string> args;
    int (*command)(const std::vector<std::string>&, const char*, std::ostream&, std::ostream&);
  } runs[] = {
      {"report --all", {"--dir", dir.string(), "--all", "--out", out.string()}, &cli::ReportCommand},
      {"report --id", {"--dir", dir.string(), "--id", "3", "--out", out.string()}, &cli::ReportCommand},
      {"form", {"--out", form}, &cli::FormCommand},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.what);
    const Outcome first = Command(run.command, run.args);
    ASSERT_EQ(first.code, 0) << first.err;
    std::map<std::string, std::string> earlier;
    for (const std::string& name : FilesIn(out)) earlier[name] = cli::test::ReadAll(out / name);
    EXPECT_EQ(earlier.count(stale), 0u) << "the stale temporary file was left";

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    const Outcome full = Command(run.command, run.args);
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(full.code, 3) << full.out;
    EXPECT_NE(full.err.find("is the disk full?"), std::string::npos) << full.err;
    EXPECT_NE(full.err.find(run.command == &cli::FormCommand ? form : (out / "DEMO-03").string()), std::string::npos)
        << full.err;
    EXPECT_EQ(full.out.find("10 report(s) written to " + out.string() + "\n"), std::string::npos) << full.out;
    EXPECT_EQ(FilesIn(out).size(), earlier.size()) << "a partial file was left";
    for (const auto& [name, bytes] : earlier) EXPECT_EQ(cli::test::ReadAll(out / name), bytes) << name;
  }
}

// A picture that cannot be written whole (here: a full disk, as a file size
// limit) leaves an earlier file of that name as it was, and nothing else.
TEST(GraphFile, AFailedWriteKeepsTheEarlierFileWhole) {
  const cli::test::DemoFolder folder("graphfile", cli::test::DemoFolder::Nothing);
  const fs::path& dir = folder.Path();
  const QString target = QString::fromStdString((dir / "chart.wmf").string());
  {
    std::ofstream earlier(target.toStdString(), std::ios::binary);
    earlier << "the earlier chart";
  }
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  bool refused = false;
  try {
    gui::WriteGraphFile(target, QByteArray(64 * 1024, 'x'));
  } catch (const std::runtime_error&) {
    refused = true;
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_TRUE(refused);
  std::ifstream kept(target.toStdString(), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(kept)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "the earlier chart");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}
