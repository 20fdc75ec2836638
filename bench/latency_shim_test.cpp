#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bench/measure.h"

namespace {

// Runs the stand-in program with the shim preloaded, as bench/run.sh runs the program,
// and returns the shim's log.
std::string shim_log_of_client() {
  const std::string log_path = std::string(VYRTEL_TEST_DIR) + "/shim_test.log";
  std::filesystem::remove(log_path);
  const auto launch_us = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
  std::string preload = std::string("LD_PRELOAD=") + VYRTEL_SHIM;
  std::string log = "VYRTEL_SHIM_LOG=" + log_path;
  std::string launch = "VYRTEL_BENCH_LAUNCH_US=" + std::to_string(launch_us);
  std::string driver = "SDL_VIDEODRIVER=dummy";
  std::array<char*, 5> client_env{preload.data(), log.data(), launch.data(), driver.data(),
                                  nullptr};
  std::string client = VYRTEL_SHIM_CLIENT;
  std::array<char*, 2> client_argv{client.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, client.c_str(), nullptr, nullptr, client_argv.data(), client_env.data()) !=
      0) {
    return "";
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the stand-in program failed";
  std::ifstream file(log_path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(LatencyShim, LogsEachKeyPressEachFrameTheFrameAfterAPressAndTheFirstFrame) {
  const std::string text = shim_log_of_client();
  const ShimLog log = parse_shim_log(text);
  SCOPED_TRACE(text);
  ASSERT_EQ(log.key_deliveries.size(), 2U);     // the release is not a press
  ASSERT_EQ(log.frames_after_keys.size(), 1U);  // frames with no press before them are not
  ASSERT_EQ(log.flips.size(), 4U);              // but every frame is a flip
  EXPECT_LE(log.key_deliveries[0], log.key_deliveries[1]);
  EXPECT_LE(log.key_deliveries[1], log.frames_after_keys[0]);
  EXPECT_EQ(log.frames_after_keys[0], log.flips[1]);
  ASSERT_TRUE(log.first_frame_ms.has_value());
  // From the launch to the stand-in's first frame: positive, and far below a minute.
  EXPECT_GT(*log.first_frame_ms, 0);
  EXPECT_LT(*log.first_frame_ms, 60'000);
}

}  // namespace
