// The parameter file checked whole before any case uses it: files that are
// no parameter set, files cut short, fields the case table lacks, and the
// warnings about values that look like a mistake.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

// Everything read from a set, lines included, as one text to compare.
std::string Fingerprint(const ParameterStructure& set) {
  std::ostringstream text;
  text << set.versionNote << '|' << set.groups << '|' << set.resvar << '\n';
  for (const ComplexStructure& complex : set.complexes) {
    text << complex.name << '|' << complex.comment << '|' << complex.resvar << '|' << complex.line << '\n';
    for (const ComponentStructure& c : complex.components) {
      text << c.name << '|' << c.comment << '|' << c.sideCount << '|' << c.line << '|' << c.blockLine << '\n';
      for (const TransitionRow& r : c.rows) text << r.label << ' ' << r.a << ' ' << r.b << ' ' << r.e << '\n';
    }
  }
  return text.str();
}

// A byte order mark is skipped; LF, CR LF and CR alone (old Macintosh files)
// all end lines.
TEST(ParameterCheck, AByteOrderMarkAndEveryKindOfLineEndReadAlike) {
  Folder folder;
  std::ifstream in(VORLA_TEST_PARAMETERS, std::ios::binary);
  std::string lf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  lf.erase(std::remove(lf.begin(), lf.end(), '\r'), lf.end());
  lf += "# a last comment\n";
  const auto endedBy = [&lf](const std::string& end) {
    std::string text;
    for (const char c : lf) c == '\n' ? text += end : text += c;
    return text;
  };
  const std::string plain = Fingerprint(CheckParameterFile(folder.Write("plain.dat", lf), {})->structure);
  ASSERT_GT(plain.size(), 1000u);
  for (const auto& [what, text] :
       {std::pair{"byte order mark", "\xEF\xBB\xBF" + lf}, std::pair{"CR LF", endedBy("\r\n")},
        std::pair{"CR", endedBy("\r")},
        std::pair{"CR, no last line end", endedBy("\r").substr(0, endedBy("\r").size() - 1)}}) {
    try {
      EXPECT_EQ(Fingerprint(CheckParameterFile(folder.Write("other.dat", text), {})->structure), plain) << what;
    } catch (const AnalysisError& e) {
      ADD_FAILURE() << what << ": " << e.what();
    }
  }
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
  EXPECT_NE(CheckError(huge).find("line 12: the row of transition 1 for group 5 of CRA_SAGITTAL is labelled 1"),
            std::string::npos)
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
  odd.replace(odd.find("0.11\n4\n1.0\n1 SUTURES\n1.0\n"), 25, "0.11\n4\n1e-300\n1 SUTURES\n0.0099\n");
  const auto checked = CheckParameterText(odd, "p.dat", {});
  const std::vector<std::string> expected = {
      "p.dat, line 3: the case variance factor 1e-300 is below 0.01",
      "p.dat, line 5: the variance factor 0.0099 of complex SUTURES is below 0.01",
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

namespace {

// The built-in fields of the worked example's table: the two traits and the results.
bool ScoreOnly(const std::string& field) {
  for (const char* score : {"CRA_SAGITTAL_LOW", "CRA_SAGITTAL_UPPER", "PUB_TEXTURE_R_LOW", "PUB_TEXTURE_R_UPPER",
                            "PUB_TEXTURE_L_LOW", "PUB_TEXTURE_L_UPPER"})
    if (field == score) return true;
  return false;
}

bool Known(const std::string& field) {
  return ScoreOnly(field) || field.rfind("RES_CRA_", 0) == 0 || field.rfind("RES_PUB_", 0) == 0;
}

// The example with the paired PUB_TEXTURE renamed (line 19).
std::string Renamed(const std::string& header) {
  std::string text = Example;
  text.replace(text.find("2 PUB_TEXTURE"), 13, header);
  return text;
}

std::string OwnError(const std::string& text) {
  try {
    CheckParameterText(text, "Parameters.dat", &Known, &ScoreOnly);
  } catch (const AnalysisError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(ParameterCheck, TraitsTheCaseTableLacksAreTraitsOfTheSetsOwn) {
  const auto builtIn = CheckParameterText(Example, "p.dat", &Known, &ScoreOnly);
  EXPECT_TRUE(builtIn->ownTraits.empty());

  std::string own = Renamed("2 Apex_2   # apex, own system");
  own.replace(own.find("1 CRA_SAGITTAL"), 14, "1 SURF");
  const auto checked = CheckParameterText(own, "p.dat", &Known, &ScoreOnly);
  ASSERT_EQ(checked->ownTraits.size(), 2u);
  const OwnTrait& surf = checked->ownTraits[0];
  EXPECT_EQ(surf.name, "SURF");
  EXPECT_FALSE(surf.paired);
  EXPECT_EQ(surf.stages, 3);  // two transitions
  EXPECT_EQ(surf.complex, "SUTURES");
  EXPECT_EQ(surf.line, 6);
  const OwnTrait& apex = checked->ownTraits[1];
  EXPECT_EQ(apex.name, "Apex_2");
  EXPECT_TRUE(apex.paired);
  EXPECT_EQ(apex.stages, 2);
  EXPECT_EQ(apex.comment, "apex, own system");
  EXPECT_EQ((std::array<std::int32_t, 9>{1, 2, 0, 0, 0, 0, 0, 0, 0}), apex.recoding);
  EXPECT_EQ(OwnTraitsOf(checked->structure, &Known).size(), 2u);
}

TEST(ParameterCheck, AnOwnTraitNameThatCannotNameColumnsIsRefusedWithItsLine) {
  const std::string rule =
      "a trait of one's own is named by a letter, then letters, digits and underscores, at most 31";
  for (const char* bad :
       {"2 APEX-1", "2 2APEX", "2 APEX SUP", "2 _APEX", "2 ÄPEX", "2 ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCDE"}) {
    const std::string error = OwnError(Renamed(bad));
    EXPECT_EQ(error.rfind("Parameters.dat, line 19: the trait name \"" + std::string(bad + 2) + "\"", 0), 0u) << error;
    EXPECT_NE(error.find(rule), std::string::npos) << error;
  }
  EXPECT_EQ(OwnError(Renamed("2 ABCDEFGHIJKLMNOPQRSTUVWXYZ_ABCD")), "no error");
}

TEST(ParameterCheck, AnOwnTraitMayNotTakeFieldsOfAnotherKindOrTrait) {
  // A name whose fields all exist but hold no score (a table with such fields stands in).
  const auto withNotes = [](const std::string& field) { return Known(field) || field.rfind("TA_NOTES_", 0) == 0; };
  std::string notes = Renamed("1 TA_NOTES");
  std::string error;
  try {
    CheckParameterText(notes, "Parameters.dat", withNotes, &ScoreOnly);
  } catch (const AnalysisError& e) {
    error = e.what();
  }
  EXPECT_EQ(error,
            "Parameters.dat, line 19: the trait name TA_NOTES clashes with the field TA_NOTES_LOW of the case "
            "table, which holds no stage score; give the trait another name");

  // Some of a built-in trait's fields: PUB_TEXTURE_R as an unpaired trait has them, PUB_TEXTURE_R_R_LOW not.
  std::string half = Renamed("1 PUB_TEXTURE_R");
  EXPECT_EQ(OwnError(half), "no error");  // reads the right side of the built-in trait, as before
  const auto partly = [](const std::string& field) { return Known(field) || field == "X_LOW"; };
  std::string error2;
  try {
    CheckParameterText(Renamed("1 X"), "Parameters.dat", partly, {});
  } catch (const AnalysisError& e) {
    error2 = e.what();
  }
  EXPECT_EQ(error2, "Parameters.dat, line 19: the case table has no score field X_UPPER for component X");

  // Two own traits that would share a field: paired X reads X_R_LOW, unpaired X_R reads it too.
  std::string shared = Renamed("2 X");
  shared.replace(shared.find("1 CRA_SAGITTAL"), 14, "1 X_R");
  EXPECT_EQ(OwnError(shared).rfind("Parameters.dat, line 19: the score field X_R_LOW of trait X is also one of trait "
                                   "X_R (line 6)",
                                   0),
            0u)
      << OwnError(shared);
  // The same trait named twice, in any case, would count twice.
  std::string twice = Renamed("1 SURF");
  twice.replace(twice.find("1 CRA_SAGITTAL"), 14, "1 surf");
  EXPECT_EQ(OwnError(twice),
            "Parameters.dat, line 19: component SURF is listed a second time (first on line 6); a set lists each "
            "trait once");
}

namespace {

// The worked example with one edit: the text at `from` replaced by `to`.
std::string Edited(const std::string& from, const std::string& to) {
  std::string text = Example;
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

}  // namespace

TEST(ParameterCheck, ASetThatContradictsItselfIsRefusedNamingTheLine) {
  // A row block of the example labelled by running number instead of by group reads the same.
  std::string running = Edited("1 -9.0 0.15 0 0 0\n2 -8.5 0.14 0 0 0\n3 -9.2 0.16 0 0 0\n4 -8.8",
                               "5 -9.0 0.15 0 0 0\n6 -8.5 0.14 0 0 0\n7 -9.2 0.16 0 0 0\n8 -8.8");
  EXPECT_EQ(OwnError(running), "no error");
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {Edited("2 -5.5 0.18 0 0 0\n3 -6.2 0.21 0 0 0", "3 -6.2 0.21 0 0 0\n2 -5.5 0.18 0 0 0"),
       "Parameters.dat, line 9: the row of transition 1 for group 2 of CRA_SAGITTAL is labelled 3, but its place "
       "calls for 2 (is a row missing, doubled or out of order?)"},
      {Edited("1 -9.0 0.15", "9 -9.0 0.15"),
       "Parameters.dat, line 12: the row of transition 2 for group 1 of CRA_SAGITTAL is labelled 9, but its place "
       "calls for 1 (its group) or 5 (its row in the block) (is a row missing, doubled or out of order?)"},
      // A block labelled by running number keeps to it.
      {Edited("1 -9.0 0.15 0 0 0\n2 -8.5", "5 -9.0 0.15 0 0 0\n2 -8.5"),
       "Parameters.dat, line 13: the row of transition 2 for group 2 of CRA_SAGITTAL is labelled 2, but its place "
       "calls for 6 (is a row missing, doubled or out of order?)"},
      {Edited("1 CRA_SAGITTAL", "3 CRA_SAGITTAL"),
       "Parameters.dat, line 6: component CRA_SAGITTAL has the side count 3; a trait is scored on 1 side (unpaired) "
       "or on 2 (right and left)"},
      {Edited("1 CRA_SAGITTAL", "2 CRA_SAGITTAL"),
       "Parameters.dat, line 6: the built-in trait CRA_SAGITTAL is scored once (fields CRA_SAGITTAL_LOW and "
       "CRA_SAGITTAL_UPPER), but the set declares it with 2 sides; declare it with 1 side"},
      {Edited("2 PUB_TEXTURE", "1 PUB_TEXTURE"),
       "Parameters.dat, line 19: the built-in trait PUB_TEXTURE is scored on both sides (fields PUB_TEXTURE_R_LOW "
       "... PUB_TEXTURE_L_UPPER), but the set declares it with 1 side; declare it with 2 sides"},
      {Edited("0\n1 PUBIS",
              "1 CRA_SAGITTAL\n2 1 2 3 0 0 0 0 0 0\n1 -6.0 0.20 0 0 0\n2 -5.5 0.18 0 0 0\n"
              "3 -6.2 0.21 0 0 0\n4 -5.8 0.19 0 0 0\n1 -9.0 0.15 0 0 0\n2 -8.5 0.14 0 0 0\n"
              "3 -9.2 0.16 0 0 0\n4 -8.8 0.15 0 0 0\n0\n1 PUBIS"),
       "Parameters.dat, line 16: component CRA_SAGITTAL is listed a second time (first on line 6); a set lists each "
       "trait once"},
      {Edited("1 PUBIS   #", "2 SUTURES   #"),
       "Parameters.dat, line 17: the complex SUTURES is listed a second time (first on line 4); a set lists each "
       "complex once"},
  };
  for (const auto& c : cases) EXPECT_EQ(OwnError(c.text), c.error);
}
