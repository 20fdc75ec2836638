#include "bench/measure.h"

#include <gtest/gtest.h>

namespace {

TEST(MedianTest, TakesTheMiddleOfUnsortedValues) {
  EXPECT_DOUBLE_EQ(median({9, 1, 5}), 5);
  EXPECT_DOUBLE_EQ(median({252, 250, 900, 251}), 251.5);
  EXPECT_DOUBLE_EQ(median({7}), 7);
}

TEST(BlinkPeriodTest, DifferencesOfSuccessiveReadoutsAcrossTheTickWrap) {
  const std::vector<double> periods = successive_periods({0xFFFFFF80U, 0x7BU, 0x177U});
  EXPECT_EQ(periods, (std::vector<double>{251, 252}));
  EXPECT_TRUE(successive_periods({42}).empty());
}

TEST(ProcStatTest, AddsUserAndSystemTicksAfterAnAwkwardName) {
  // utime 1234 and stime 56 are the 14th and 15th fields; the name holds ") " itself.
  EXPECT_EQ(process_cpu_ticks("77 (a) b (c) S 1 77 77 0 -1 4194304 100 0 0 0 1234 56 0 0 20 0"),
            1290U);
  EXPECT_EQ(process_cpu_ticks("77 (vyrtel) S 1 77 77 0 -1 4194304 100 0 0 0 12"), std::nullopt);
  EXPECT_EQ(process_cpu_ticks("garbage"), std::nullopt);
}

TEST(ProcStatTest, CountsTheMachineBusyWithoutIdleOrIoWait) {
  EXPECT_EQ(machine_busy_ticks("cpu  100 2 30 5000 70 4 5 6 0 0"), 147U);
  EXPECT_EQ(machine_busy_ticks("cpu0 100 2 30 5000 70 4 5 6 0 0"), std::nullopt);
  EXPECT_EQ(machine_busy_ticks("cpu  100 2 30"), std::nullopt);
}

TEST(KeyLatencyTest, FollowsEachPressToTheFirstFrameAfterItsDelivery) {
  const ShimLog log = parse_shim_log(
      "first-frame-ms 123.4\n"
      "key 1003000000\n"
      "frame 1005500000\n"
      "key 1043000000\n"
      "key 1044000000\n"
      "frame 1046000000\n");
  ASSERT_EQ(log.first_frame_ms, 123.4);
  const auto latencies = key_latencies({1000000000, 1040000000, 1041000000}, log);
  ASSERT_EQ(latencies.size(), 3U);
  EXPECT_DOUBLE_EQ(latencies[0].delivered_ms, 3);
  EXPECT_DOUBLE_EQ(latencies[0].shown_ms, 5.5);
  // Two presses handled in one pass share their frame.
  EXPECT_DOUBLE_EQ(latencies[1].shown_ms, 6);
  EXPECT_DOUBLE_EQ(latencies[2].delivered_ms, 3);
  EXPECT_DOUBLE_EQ(latencies[2].shown_ms, 5);
}

TEST(KeyLatencyTest, PassesOverDeliveriesOfPressesSentBeforeTheFirst) {
  // Space, pressed earlier to reach full screen, was delivered at 5 and shown at 9.
  const ShimLog log = parse_shim_log("key 5\nframe 9\nkey 103\nframe 106\n");
  const auto latencies = key_latencies({100}, log);
  ASSERT_EQ(latencies.size(), 1U);
  EXPECT_DOUBLE_EQ(latencies[0].shown_ms, 6e-6);
}

TEST(KeyLatencyTest, LeavesOutPressesNotDeliveredOrNotYetShown) {
  const ShimLog log = parse_shim_log("key 10\nframe 20\nkey 30\n");
  EXPECT_EQ(key_latencies({0, 25, 50}, log).size(), 1U);
  EXPECT_TRUE(key_latencies({}, log).empty());
}

}  // namespace
