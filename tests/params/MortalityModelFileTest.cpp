// The folder's file of mortality models: what it holds, how a model is
// kept in it and replaced, and the lines it refuses, by their numbers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "params/MortalityModelFile.h"

using namespace vorla;

namespace {

class MortalityModelFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("vorla-models-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    path_ = (folder_ / MortalityModelFileName).string();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  void Write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string Text() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::filesystem::path folder_;
  std::string path_;
};

}  // namespace

TEST_F(MortalityModelFile, KeepsEachModelAfterItsNoteAndReplacesOneByName) {
  EXPECT_TRUE(ReadMortalityModels(path_).empty());
  SaveMortalityModel(path_, {"Cemetery1", 0.0094, 2.5546919563167822e-05, 0.099}, "2000 cases of demo/; 2026-12-11");
  SaveMortalityModel(path_, {"Females", 0.0, 0.0026, 0.038}, "1000 cases");
  SaveMortalityModel(path_, {"CEMETERY1", 0.01, 3e-05, 0.1}, "again");
  const OwnMortalityModels models = ReadMortalityModels(path_);
  ASSERT_EQ(models.size(), 2u);
  EXPECT_EQ(models[0].name, "Females");
  EXPECT_EQ(models[1].name, "CEMETERY1");
  EXPECT_EQ(models[1].B, 3e-05);
  const std::string text = Text();
  EXPECT_EQ(text.find("Cemetery1"), std::string::npos) << text;
  EXPECT_NE(text.find("# Females: 1000 cases\nFemales 0 0.0026"), std::string::npos) << text;
  EXPECT_NE(text.find("# CEMETERY1: again\nCEMETERY1 "), std::string::npos) << text;
  // Numbers are written so that they read back as the same doubles.
  SaveMortalityModel(path_, {"Exact", 0.1 + 0.2, 2.5546919563167822e-05, 1.0 / 3.0}, "n");
  EXPECT_EQ(ReadMortalityModels(path_).back().A, 0.1 + 0.2);
  EXPECT_EQ(ReadMortalityModels(path_).back().C, 1.0 / 3.0);
}

TEST_F(MortalityModelFile, RefusesWhatIsNoModelByItsLine) {
  struct Row {
    const char* text;
    const char* said;
  };
  for (const Row& row : {Row{"# note\nA1 0.01 2e-5\n", "line 2: a model is NAME A B C"},
                         Row{"\n\nA1 0.01 2e-5 0.1\na1 0 1e-4 0.05\n", "line 4: the model a1 is given twice"},
                         Row{"Forensic 0 0.03 0.016\n", "line 1: Forensic is the name of a built-in model"},
                         Row{"A1 0,01 2e-5 0.1\n", "line 1: \"0,01\" is no number"},
                         Row{"A1 -0.01 2e-5 0.1\n", "line 1: a model has A at least 0"},
                         Row{"A.1 0.01 2e-5 0.1\n", "line 1: the name A.1 holds other characters"}}) {
    Write(row.text);
    try {
      ReadMortalityModels(path_);
      ADD_FAILURE() << row.text;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(row.said), std::string::npos) << e.what();
    }
    // Nor is such a file written over.
    EXPECT_THROW(SaveMortalityModel(path_, {"B2", 0.01, 2e-5, 0.1}, "n"), std::runtime_error);
    EXPECT_EQ(Text(), row.text);
  }
  EXPECT_THROW(SaveMortalityModel(path_, {"archeological", 0.01, 2e-5, 0.1}, "n"), std::invalid_argument);
  EXPECT_THROW(SaveMortalityModel(path_, {"two words", 0.01, 2e-5, 0.1}, "n"), std::invalid_argument);
}
