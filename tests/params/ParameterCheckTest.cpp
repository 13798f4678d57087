// The parameter file checked whole before any case uses it: files that are
// no parameter set, files cut short, fields the case table lacks, and the
// warnings about values that look like a mistake.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "params/ParameterCheck.h"
#include "params/ParameterErrors.h"

using namespace vorla;
namespace fs = std::filesystem;

namespace {

// The worked example with all four groups: SUTURES with one unpaired
// component, PUBIS with one paired one.
const std::string Example =
    "0.11\n4\n1.0\n1 SUTURES\n1.0\n1 CRA_SAGITTAL\n2 1 2 3 0 0 0 0 0 0\n"
    "1 -6.0 0.20 0 0 0\n2 -5.5 0.18 0 0 0\n3 -6.2 0.21 0 0 0\n4 -5.8 0.19 0 0 0\n"
    "1 -9.0 0.15 0 0 0\n2 -8.5 0.14 0 0 0\n3 -9.2 0.16 0 0 0\n4 -8.8 0.15 0 0 0\n0\n"
    "1 PUBIS   # pubic symphysis\n1.0\n2 PUB_TEXTURE\n1 1 2 0 0 0 0 0 0 0\n"
    "1 -4.0 0.10 0 0 0\n2 -4.4 0.11 0 0 0\n3 -4.1 0.10 0 0 0\n4 -4.6 0.12 0 0 0\n0\n0\n";

class Folder {
 public:
  Folder() : path_(fs::temp_directory_path() / ("vorla-check-" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~Folder() { fs::remove_all(path_); }
  std::string Write(const std::string& name, const std::string& text) const {
    const std::string file = (path_ / name).string();
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

std::string CheckError(const std::string& text, const FieldExists& fields = {}) {
  try {
    CheckParameterText(text, "Parameters.dat", fields);
  } catch (const ParameterVersionError& e) {
    return VersionMismatchMessage("Parameters.dat", e);
  } catch (const AnalysisError& e) {
    return e.what();
  }
  return "no error";
}

const std::string Remedy =
    " The analysis reads the model's parameters from it: put a parameter set (Parameters.dat) into that folder, or "
    "start the program on a folder that holds one (--dir).";

std::string FileError(const std::string& path) {
  try {
    CheckParameterFile(path, {});
  } catch (const AnalysisError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(ParameterCheck, FilesThatAreNoParameterSetEachSayWhy) {
  Folder folder;
  EXPECT_EQ(FileError(folder.Write("good.dat", Example)), "no error");
  const std::string empty = folder.Write("empty.dat", "");
  EXPECT_EQ(FileError(empty), empty + ", line 1: the file is empty; a parameter file begins with its version, 0.11");
  EXPECT_EQ(FileError(folder.Write("blank.dat", "\n \r\n")).find("the file is empty") != std::string::npos, true);
  const std::string nul = folder.Write("nul.dat", std::string(64, '\0'));
  EXPECT_EQ(FileError(nul), nul + ", line 1: this is not a text file (it holds a NUL byte)");
  const std::string nulLater = folder.Write("nul2.dat", std::string("0.11\n4\n\0\n", 9));
  EXPECT_NE(FileError(nulLater).find(", line 3: this is not a text file"), std::string::npos);

  fs::create_directories(folder.Path("Parameters.dat"));
  EXPECT_EQ(FileError(folder.Path("Parameters.dat")),
            "The parameter file \"" + folder.Path("Parameters.dat") + "\" is a folder, not a file." + Remedy);
  const std::string missing = folder.Path("missing.dat");
  EXPECT_EQ(FileError(missing), "The parameter file \"" + missing + "\" does not exist." + Remedy);
  // A link to a device is never read (a link to /dev/zero would read until memory runs out).
  fs::create_symlink("/dev/zero", folder.Path("zero.dat"));
  EXPECT_EQ(FileError(folder.Path("zero.dat")),
            "The parameter file \"" + folder.Path("zero.dat") + "\" is a device, not a file.");
  ASSERT_EQ(mkfifo(folder.Path("fifo.dat").c_str(), 0600), 0);
  EXPECT_EQ(FileError(folder.Path("fifo.dat")),
            "The parameter file \"" + folder.Path("fifo.dat") + "\" is a pipe (fifo), not a file.");
  fs::create_symlink(folder.Path("gone.dat"), folder.Path("dangling.dat"));
  EXPECT_NE(FileError(folder.Path("dangling.dat")).find("is a link to a file that does not exist"), std::string::npos);
}

TEST(ParameterCheck, AByteOrderMarkIsSkipped) {
  Folder folder;
  const auto plain = CheckParameterFile(folder.Write("plain.dat", Example), {});
  const auto marked = CheckParameterFile(folder.Write("bom.dat", "\xEF\xBB\xBF" + Example), {});
  ASSERT_EQ(marked->structure.complexes.size(), 2u);
  EXPECT_EQ(marked->structure.complexes[1].components[0].Row(0, 4, 4).a,
            plain->structure.complexes[1].components[0].Row(0, 4, 4).a);
}

TEST(ParameterCheck, EveryCutOfTheFileIsRefusedNamingTheLine) {
  // Any cut before the last list end leaves the structure unfinished; none
  // may read as a shorter, valid set.
  const std::size_t lastEnd = Example.rfind("0\n");
  for (std::size_t cut = 0; cut < lastEnd; ++cut) {
    const std::string error = CheckError(Example.substr(0, cut));
    EXPECT_NE(error.find("Parameters.dat, line "), std::string::npos) << "cut at " << cut << ": " << error;
  }
  // A cut at a line end says what was expected there.
  const std::size_t afterFirstBlock = Example.find("0\n1 PUBIS");
  EXPECT_EQ(CheckError(Example.substr(0, afterFirstBlock)),
            "Parameters.dat, line 16: the file ends here, but a component header of complex SUTURES (or 0, the end "
            "of its components) was expected (is the file cut short?)");
  EXPECT_EQ(CheckError("0.11\n4\n1.0\n"),
            "Parameters.dat, line 4: the file ends here, but a complex header (or 0, the end of the complex list) was "
            "expected (is the file cut short?)");
}

TEST(ParameterCheck, CountsMustMatchTheLinesThatFollow) {
  // A group count raised far beyond the file is refused at the file's end,
  // without setting aside room for the rows it announces.
  std::string huge = Example;
  huge.replace(huge.find("\n4\n"), 3, "\n2147483647\n");
  EXPECT_NE(CheckError(huge).find("in the row of transition 1 for group 9 of CRA_SAGITTAL"), std::string::npos)
      << CheckError(huge);
  std::string shortRow = Example;
  shortRow.replace(shortRow.find("3 -6.2 0.21 0 0 0"), 17, "3 -6.2 0.21 0");
  EXPECT_EQ(CheckError(shortRow),
            "Parameters.dat, line 10: the line ends before parameter d in the row of transition 1 for group 3 of "
            "CRA_SAGITTAL");
  std::string shortTable = Example;
  shortTable.replace(shortTable.find("2 1 2 3 0 0 0 0 0 0"), 19, "2 1 2 3 0 0 0 0 0");
  EXPECT_NE(CheckError(shortTable).find("line 7: the line ends before recoding entry 9 of 9 of CRA_SAGITTAL"),
            std::string::npos);
  EXPECT_NE(CheckError(Example + "1 AURICULAR\n").find("line 27: the complex list ended on line 26"), std::string::npos)
      << CheckError(Example + "1 AURICULAR\n");
  EXPECT_EQ(CheckError(Example + "\n# calibrated elsewhere\n   \n"), "no error");
  EXPECT_EQ(CheckError("0.11\n2\n1.0\n0\n"),
            "Parameters.dat, line 2: the file has 2 groups; the four sex and ancestry groups need 4");
}

TEST(ParameterCheck, FieldsTheCaseTableLacksAreNamedWithTheirLine) {
  const FieldExists known = [](const std::string& field) {
    return field.rfind("CRA_SAGITTAL_", 0) == 0 || field.rfind("PUB_TEXTURE_", 0) == 0 ||
           field.rfind("RES_CRA_", 0) == 0 || field.rfind("RES_PUB_", 0) == 0;
  };
  EXPECT_EQ(CheckError(Example, known), "no error");
  std::string paired = Example;
  paired.replace(paired.find("1 CRA_SAGITTAL"), 14, "2 CRA_SAGITTAL");  // read as _R_LOW ... _L_UPPER
  EXPECT_EQ(CheckError(paired, [&](const std::string& f) { return f.find("_R_") == std::string::npos && known(f); }),
            "Parameters.dat, line 6: the case table has no score field CRA_SAGITTAL_R_LOW for component CRA_SAGITTAL");
  std::string lower = Example;
  lower.replace(lower.find("1 PUBIS"), 7, "1 pubis");
  EXPECT_NE(CheckError(lower, known).find("line 17: the case table has no field pubisMax_LIKELIHOOD"),
            std::string::npos);
}

TEST(ParameterCheck, ImplausibleValuesAreWarnedOfNotRefused) {
  EXPECT_TRUE(CheckParameterText(Example, "p.dat", {})->warnings.empty());
  std::string odd = Example;
  odd.replace(odd.find("2 -5.5 0.18"), 11, "2 -5.5 -0.1");  // slope not above 0
  odd.replace(odd.find("1 -9.0 0.15"), 11, "1 -90. 0.15");  // transition age 600
  odd.replace(odd.find("3 -9.2 0.16"), 11, "3 -0.2 0.16");  // age 1.25, below 29.5 of transition 1
  odd.replace(odd.find("1 PUBIS   # pubic symphysis\n1.0"), 31, "1 PUBIS   # pubic symphysis\n1e300");
  const auto checked = CheckParameterText(odd, "p.dat", {});
  const std::vector<std::string> expected = {
      "p.dat, line 18: the variance factor 1e+300 of complex PUBIS is above 100",
      "p.dat, line 9: the slope b = -0.1 of CRA_SAGITTAL, transition 1, group 2 is not above 0",
      "p.dat, line 12: the transition age -a/b = 600 of CRA_SAGITTAL, transition 2, group 1 lies outside 0 to 150 "
      "years",
      "p.dat, line 14: the transition age -a/b = 1.25 of CRA_SAGITTAL, transition 2, group 3 is below that of the "
      "transition before (29.5238)"};
  std::vector<std::string> sorted = checked->warnings, want = expected;
  std::sort(sorted.begin(), sorted.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(sorted, want);
}

TEST(ParameterCheck, TheDemonstrationSetPassesWithoutWarnings) {
  const auto checked = CheckParameterFile(VORLA_TEST_PARAMETERS, {});
  EXPECT_EQ(checked->structure.groups, 4);
  EXPECT_EQ(checked->structure.complexes.size(), 3u);
  EXPECT_TRUE(checked->warnings.empty()) << checked->warnings.front();
}

TEST(ParameterCheck, AChangeOnDiskIsNoticed) {
  Folder folder;
  const std::string path = folder.Write("Parameters.dat", Example);
  const auto checked = CheckParameterFile(path, {});
  EXPECT_FALSE(ParameterFileChanged(*checked));
  folder.Write("Parameters.dat", Example + "# edited\n");
  EXPECT_TRUE(ParameterFileChanged(*checked));
  fs::remove(path);
  EXPECT_TRUE(ParameterFileChanged(*checked));
}
