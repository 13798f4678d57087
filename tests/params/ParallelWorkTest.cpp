#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
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
        // Each index takes a moment, so that a thread that fails while the
        // machine is busy is not outrun by the others before it stops them.
        std::this_thread::sleep_for(std::chrono::microseconds(100));
      });
      ADD_FAILURE() << "no exception with " << jobs << " jobs";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "index 3");
    }
    // No index is handed out after the failure is seen: one job stops at the
    // failing index, several stop long before the end.
    if (jobs == 1)
      EXPECT_EQ(calls.load(), 4);
    else
      EXPECT_LT(calls.load(), 5000) << jobs << " jobs";
  }
}

namespace {

// A fully scored row; the model choices and scores (stages of every trait) vary with n.
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
      row.Set(base + "_UPPER", std::to_string(std::min(stage + (k % 2), 3)));  // every trait has stages 1-3
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
// several threads give exactly what each gives alone: each run's settings
// are its own, and the engine's scratch tables belong to the thread that runs.
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

// A run only analyses: the case it keeps is neither traced nor released, and
// the row is not written.
TEST(ParallelRuns, AKeptCaseIsNeitherTracedNorReleased) {
  const auto parameters = CheckParameterFile(VORLA_TEST_PARAMETERS, {});
  FakeRow row = ScoredRow(4);
  RunSettings s;
  s.parameters = parameters;
  s.tracePath = testing::TempDir() + "kept-case-trace.txt";
  std::remove(s.tracePath.c_str());
  s.keepCase = true;
  CaseRecord record = ReadCaseRecord(row, LayoutOfRun(s));
  std::optional<CaseResults> results;
  ASSERT_EQ(AnalyzeRecord(record, s, results).outcome, RowOutcome::Analysed);
  const AnalysisTreePtr& kept = results->analysedCase;
  ASSERT_TRUE(kept);
  EXPECT_EQ(row.posts, 0);
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

// Every item goes through its three steps once, in order: prepare and
// finish on the caller's thread in increasing order, work in between, and
// never more than the window prepared and not finished.
TEST(OrderedPipeline, EveryItemOnceInOrderWithinTheWindow) {
  const auto caller = std::this_thread::get_id();
  for (int jobs : {1, 2, 4})
    for (std::size_t window : {1u, 3u, 64u})
      for (std::size_t count : {0u, 1u, 2u, 300u}) {
        std::vector<std::atomic<int>> step(count);  // 0, then 1 prepared, 2 worked, 3 finished
        std::size_t prepared = 0, finished = 0, mostOpen = 0;
        bool wrongThread = false, outOfStep = false;
        std::atomic<bool> workedOutOfStep{false};
        OrderedPipeline(
            count, jobs, window,
            [&](std::size_t i) {
              wrongThread |= std::this_thread::get_id() != caller;
              outOfStep |= i != prepared || step[i] != 0;
              step[i] = 1;
              mostOpen = std::max(mostOpen, ++prepared - finished);
            },
            [&](std::size_t i) {
              if (step[i] != 1) workedOutOfStep = true;
              step[i] = 2;
            },
            [&](std::size_t i) {
              wrongThread |= std::this_thread::get_id() != caller;
              outOfStep |= i != finished || step[i] != 2;
              step[i] = 3;
              ++finished;
            });
        const std::string run =
            std::to_string(jobs) + " jobs, window " + std::to_string(window) + ", " + std::to_string(count) + " items";
        EXPECT_EQ(finished, count) << run;
        EXPECT_FALSE(wrongThread) << run;
        EXPECT_FALSE(outOfStep) << run;
        EXPECT_FALSE(workedOutOfStep.load()) << run;
        EXPECT_LE(mostOpen, window) << run;
        for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(step[i].load(), 3) << run << ", item " << i;
      }
}

// With two jobs two items are worked on at once: the first waits until the
// second has begun.
TEST(OrderedPipeline, TwoJobsWorkAtOnce) {
  std::atomic<bool> secondBegun{false}, sawIt{false};
  OrderedPipeline(
      2, 2, 4, [](std::size_t) {},
      [&](std::size_t i) {
        if (i == 1) {
          secondBegun = true;
          return;
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!secondBegun && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        sawIt = secondBegun.load();
      },
      [](std::size_t) {});
  EXPECT_TRUE(sawIt);
}

// A failure in any step ends the run with that failure, every thread done;
// the failed item is never finished.
TEST(OrderedPipeline, AFailureEndsTheRunAndIsRethrown) {
  for (int jobs : {1, 2, 3}) {
    std::atomic<int> worked{0};
    std::vector<std::size_t> finished;
    EXPECT_THROW(OrderedPipeline(
                     1000, jobs, 16, [](std::size_t) {},
                     [&](std::size_t i) {
                       if (i == 400) throw std::out_of_range("four hundred");
                       ++worked;
                     },
                     [&](std::size_t i) { finished.push_back(i); }),
                 std::out_of_range)
        << jobs << " jobs";
    EXPECT_TRUE(std::find(finished.begin(), finished.end(), 400u) == finished.end());
    EXPECT_LT(worked.load(), 1000);
    for (const auto& [step, failAt] : {std::pair{0, 7u}, std::pair{2, 7u}}) {
      std::atomic<int> calls{0};
      const auto maybeFail = [&, step = step, failAt = failAt](int thisStep, std::size_t i) {
        if (thisStep == step && i == failAt) throw std::invalid_argument("seven");
      };
      EXPECT_THROW(OrderedPipeline(
                       50, jobs, 4, [&](std::size_t i) { maybeFail(0, i); }, [&](std::size_t) { ++calls; },
                       [&](std::size_t i) { maybeFail(2, i); }),
                   std::invalid_argument)
          << jobs << " jobs, step " << step;
      EXPECT_LT(calls.load(), 50);
    }
  }
}
