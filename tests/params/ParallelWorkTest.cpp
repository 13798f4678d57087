#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "FakeRow.h"
#include "params/CaseRun.h"
#include "params/ParallelWork.h"

using namespace vorla;
using test::FakeRow;

TEST(ForEachIndex, EveryIndexOnceWhateverTheJobs) {
  for (int jobs : {1, 2, 3, 8}) {
    for (std::size_t count : {0u, 1u, 2u, 7u, 500u}) {
      std::vector<std::atomic<int>> calls(count);
      ForEachIndex(count, jobs, [&](std::size_t i) { ++calls[i]; });
      for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(calls[i].load(), 1) << "jobs " << jobs << ", index " << i;
    }
  }
}

TEST(ForEachIndex, OneJobWorksInOrderOnTheCallingThread) {
  std::vector<std::size_t> order;
  const auto caller = std::this_thread::get_id();
  bool elsewhere = false;
  ForEachIndex(5, 1, [&](std::size_t i) {
    order.push_back(i);
    elsewhere |= std::this_thread::get_id() != caller;
  });
  EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(elsewhere);
}

TEST(ForEachIndex, AFailureStopsTheWorkAndIsRethrown) {
  for (int jobs : {1, 4}) {
    std::atomic<int> calls{0};
    try {
      ForEachIndex(10000, jobs, [&](std::size_t i) {
        ++calls;
        if (i == 3) throw std::runtime_error("index 3");
      });
      ADD_FAILURE() << "no exception with " << jobs << " jobs";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "index 3");
    }
    // No index is handed out after the failure is seen: far fewer than all ran.
    EXPECT_LT(calls.load(), 1000) << jobs << " jobs";
  }
}

namespace {

// A fully scored row; the model choices and scores vary with n.
FakeRow ScoredRow(int n) {
  FakeRow row{test::AllCaseFields()};
  row.id = n + 1;
  row.Set("SKELETON_ID", std::to_string(n + 1));
  row.Set("SEX", SexChoices[static_cast<std::size_t>(n % 3)]);
  row.Set("RACE", AncestryChoices[static_cast<std::size_t>((n / 3) % 3)]);
  row.Set("HAZARDFUNC", ModelChoices[static_cast<std::size_t>((n / 9) % 2)]);
  int k = n;
  for (const ComplexPairs& c : KnownComplexes())
    for (const std::string& base : c.pairBases) {
      const int stage = 1 + (k++ * 7 + n) % 3;
      row.Set(base + "_LOW", std::to_string(stage));
      row.Set(base + "_UPPER", std::to_string(stage + (k % 2)));
    }
  return row;
}

std::map<std::string, std::optional<std::string>> Results(const FakeRow& row) {
  std::map<std::string, std::optional<std::string>> results;
  for (const auto& [name, value] : row.values)
    if (name.rfind("res_", 0) == 0) results[name] = value;
  return results;
}

}  // namespace

// Runs with different levels and mortality models at the same time on
// several threads give exactly what each gives alone: the engine's settings
// belong to the thread that runs.
TEST(ParallelRuns, DifferentSettingsOnSeveralThreadsAgreeWithSequentialRuns) {
  const auto parameters = CheckParameterFile(VORLA_TEST_PARAMETERS, {});
  const int levels[] = {90, 95, 99};
  constexpr int Rows = 36;
  const auto settingsFor = [&](int n) {
    RunSettings s;
    s.level = levels[n % 3];
    s.parameters = parameters;
    return s;
  };
  std::vector<FakeRow> alone, together;
  for (int n = 0; n < Rows; ++n) {
    alone.push_back(ScoredRow(n));
    together.push_back(ScoredRow(n));
  }
  for (int n = 0; n < Rows; ++n)
    ASSERT_EQ(AnalyzeRow(alone[static_cast<std::size_t>(n)], {}, settingsFor(n)).outcome, RowOutcome::Analysed);
  ForEachIndex(Rows, 4, [&](std::size_t n) {
    EXPECT_EQ(AnalyzeRow(together[n], {}, settingsFor(static_cast<int>(n))).outcome, RowOutcome::Analysed);
  });
  for (std::size_t n = 0; n < Rows; ++n) {
    EXPECT_FALSE(Results(alone[n])["res_all_max_likelihood"].value_or("").empty());
    EXPECT_EQ(Results(together[n]), Results(alone[n])) << "row " << n;
  }
  // The rows differ among themselves, so a run that used another thread's
  // settings would show.
  EXPECT_NE(Results(alone[0]), Results(alone[1]));
  EXPECT_NE(Results(alone[9]), Results(alone[18]));
}

TEST(ParallelRuns, AKeptCaseIsNeitherTracedNorReleased) {
  const auto parameters = CheckParameterFile(VORLA_TEST_PARAMETERS, {});
  FakeRow row = ScoredRow(4);
  RunSettings s;
  s.parameters = parameters;
  s.tracePath = testing::TempDir() + "kept-case-trace.txt";
  std::remove(s.tracePath.c_str());
  CaseRecord kept;
  s.keepAnalysed = [&kept](CaseRecord record) { kept = std::move(record); };
  ASSERT_EQ(AnalyzeRow(row, {}, s).outcome, RowOutcome::Analysed);
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->Name, row.FieldAsText("SKELETON_NAME"));
  EXPECT_GT(kept->MLA, 0.0);
  EXPECT_FALSE(std::ifstream(s.tracePath).good());
}

// A pool serves one round after another with the same threads; a failure in
// one round leaves the next one whole.
TEST(WorkerPool, RoundAfterRoundWithTheSameThreads) {
  WorkerPool pool(2);
  EXPECT_EQ(pool.Helpers(), 2);
  std::mutex mutex;
  std::set<std::thread::id> threads;
  for (int round = 0; round < 200; ++round) {
    const std::size_t count = static_cast<std::size_t>(round % 9);
    std::vector<std::atomic<int>> calls(count);
    pool.ForEachIndex(count, [&](std::size_t i) {
      ++calls[i];
      const std::lock_guard<std::mutex> lock(mutex);
      threads.insert(std::this_thread::get_id());
    });
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(calls[i].load(), 1) << "round " << round;
    if (round == 100) {
      EXPECT_THROW(pool.ForEachIndex(50,
                                     [](std::size_t i) {
                                       if (i % 10 == 9) throw std::invalid_argument("nine");
                                     }),
                   std::invalid_argument);
    }
  }
  EXPECT_LE(threads.size(), 3u);
}

// Started, the helpers work while the caller does something else; a failure
// is rethrown by Wait; without helpers the caller does the work at Start.
TEST(WorkerPool, StartedWorkRunsOnTheHelpersUntilWaitedFor) {
  for (int helpers : {0, 1, 2}) {
    WorkerPool pool(helpers);
    const auto caller = std::this_thread::get_id();
    for (int round = 0; round < 50; ++round) {
      std::vector<std::atomic<int>> calls(20);
      std::atomic<bool> onCaller{false};
      const std::function<void(std::size_t)> work = [&](std::size_t i) {
        ++calls[i];
        onCaller = onCaller || std::this_thread::get_id() == caller;
      };
      pool.Start(calls.size(), work);
      pool.Wait();
      for (std::size_t i = 0; i < calls.size(); ++i) ASSERT_EQ(calls[i].load(), 1) << helpers << " helpers";
      EXPECT_EQ(onCaller.load(), helpers == 0);
    }
    if (helpers > 0) {
      const std::function<void(std::size_t)> failing = [](std::size_t i) {
        if (i == 5) throw std::out_of_range("five");
      };
      pool.Start(30, failing);
      EXPECT_THROW(pool.Wait(), std::out_of_range);
      pool.Wait();  // nothing left to wait for
    }
  }
}
