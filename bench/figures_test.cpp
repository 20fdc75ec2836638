#include "bench/figures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(MedianTest, MiddleOfUnsortedValuesAndNothingOfNone) {
  EXPECT_EQ(median({9, 1, 5}), 5);
  EXPECT_EQ(median({252, 250, 900, 251}), 251.5);
  EXPECT_EQ(median({}), std::nullopt);
}

TEST(ProcStatTest, ParentAfterAnAwkwardName) {
  // The parent is field 4; the name holds ") " itself.
  EXPECT_EQ(parse_parent("77 (a) b (c) S 12 77 77 0 -1 4194304 100 0 0 0 1234 56 0 0 20 0"), 12);
  EXPECT_FALSE(parse_parent("garbage"));
}

TEST(ProcessTreeTest, TakesEveryDepthBelowTheRootOnly) {
  // 10 started 11 and 12; 12 started 13, listed before its parent; 20 is another's.
  const std::map<pid_t, pid_t> parents{{13, 12}, {11, 10}, {12, 10}, {10, 1}, {20, 1}};
  EXPECT_EQ(descendants(parents, 10), (std::set<pid_t>{11, 12, 13}));
}

TEST(GrowthTest, CountsOnlyWhatBothSamplesHold) {
  // 1 grew by 5; 2 ended meanwhile; 3 started meanwhile; 4 shrank, a reused thread id.
  EXPECT_EQ(growth({{1, 10}, {2, 7}, {4, 9}}, {{1, 15}, {3, 100}, {4, 2}}), 5U);
}

TEST(CompareTest, RatiosBetweenNeighboursInTimeAndSidesOverAllTheirRuns) {
  // Floor, program, floor, program; the machine got busy before the second floor run.
  const std::vector<Measurement> runs{
      {.floor = true, .figures = {{"cpu", 1}}, .keys_ms = {1, 2}, .keys_missed = 0},
      {.floor = false, .figures = {{"cpu", 1.2}}, .keys_ms = {3, 9}, .keys_missed = 0},
      {.floor = true, .figures = {{"cpu", 3}}, .keys_ms = {1, 4}, .keys_missed = 0},
      {.floor = false, .figures = {{"cpu", 3.6}}, .keys_ms = {4, 5}, .keys_missed = 2}};
  const auto compared = compare(runs);
  // Neighbours' ratios 1.2, 0.4 and 1.2; excesses 0.2, -1.8 and 0.6.
  EXPECT_DOUBLE_EQ(compared.at("cpu").ratio, 1.2);
  EXPECT_DOUBLE_EQ(compared.at("cpu").excess, 0.2);
  EXPECT_DOUBLE_EQ(compared.at("cpu").program, 2.4);
  EXPECT_DOUBLE_EQ(compared.at("key-median-ms").program, 4.5);
  EXPECT_DOUBLE_EQ(compared.at("key-max-ms").floor, 4);
  EXPECT_DOUBLE_EQ(compared.at("keys-missed").program, 2);
  // A floor that missed no press gives no ratio to divide by.
  EXPECT_TRUE(std::isnan(compared.at("keys-missed").ratio));
}

TEST(GoalTest, BoundsTheRatioTheExcessOrTheProgramOnEachRunner) {
  const std::vector<Goal> list{{"cpu", Bound::kRatio, 1.5, {"wine", "chromium"}},
                               {"memory", Bound::kExcess, 1, {"wine"}},
                               {"key-max", Bound::kProgram, 17, {"wine"}}};
  // Program, floor, ratio and excess of each.
  const Figures figures{{{"wine", "cpu"}, {2, 1, 1.4, 1}},
                        {{"wine", "memory"}, {30, 28, 1.07, 2}},
                        {{"wine", "key-max"}, {16, 20, 0.8, -4}}};
  const auto lines = checked_goals(list, figures);
  ASSERT_EQ(lines.size(), 4U);
  EXPECT_TRUE(lines[0].ends_with(" met")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with(" NO FIGURE")) << lines[1];
  EXPECT_TRUE(lines[2].ends_with(" MISSED")) << lines[2];
  EXPECT_TRUE(lines[3].ends_with(" met")) << lines[3];
}

}  // namespace
