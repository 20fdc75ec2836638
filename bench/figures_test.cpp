#include "bench/figures.h"

#include <gtest/gtest.h>

namespace {

TEST(MedianTest, MiddleOfUnsortedValuesAndNothingOfNone) {
  EXPECT_EQ(median({9, 1, 5}), 5);
  EXPECT_EQ(median({252, 250, 900, 251}), 251.5);
  EXPECT_EQ(median({}), std::nullopt);
}

TEST(ProcStatTest, ParentAndCpuTicksAfterAnAwkwardName) {
  // The parent is field 4, utime and stime fields 14 and 15; the name holds ") " itself.
  const auto stat = parse_stat("77 (a) b (c) S 12 77 77 0 -1 4194304 100 0 0 0 1234 56 0 0 20 0");
  ASSERT_TRUE(stat);
  EXPECT_EQ(stat->parent, 12);
  EXPECT_EQ(stat->cpu_ticks, 1290U);
  EXPECT_FALSE(parse_stat("77 (vyrtel) S 1 77 77 0 -1 4194304 100 0 0 0 12"));
  EXPECT_FALSE(parse_stat("garbage"));
}

TEST(ProcessTreeTest, TakesEveryDepthBelowTheRootOnly) {
  // 10 started 11 and 12; 12 started 13, listed before its parent; 20 is another's.
  const std::map<pid_t, pid_t> parents{{13, 12}, {11, 10}, {12, 10}, {10, 1}, {20, 1}};
  EXPECT_EQ(descendants(parents, 10), (std::set<pid_t>{11, 12, 13}));
}

TEST(GrowthTest, CountsOnlyWhatBothSamplesHold) {
  // 1 grew by 5; 2 ended meanwhile; 3 started meanwhile; 4 lost threads and shrank.
  EXPECT_EQ(growth({{1, 10}, {2, 7}, {4, 9}}, {{1, 15}, {3, 100}, {4, 2}}), 5U);
}

TEST(GoalTest, MarksEachGoalMetMissedOrWithoutFigure) {
  const std::vector<Goal> list{{"wine", "key-median-ms", 9},
                               {"wine", "keys-missed", 0},
                               {"firefox", "key-median-ms", 17}};
  const auto lines = checked_goals(list, {{{"wine", "key-median-ms"}, 9},
                                          {{"wine", "keys-missed"}, 1}});
  ASSERT_EQ(lines.size(), 3U);
  EXPECT_TRUE(lines[0].ends_with(" met")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with(" MISSED")) << lines[1];
  EXPECT_TRUE(lines[2].ends_with(" NO FIGURE")) << lines[2];
}

}  // namespace
