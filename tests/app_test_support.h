// Runs the main routine against the stand-in SDL in a scratch working directory that holds
// a font image, and reads back what it showed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "process.h"
#include "screen_model.h"
#include "tests/fake_sdl/fake_sdl.h"

// Whether the underline of `cell` is lit in the flipped picture.
bool underline_shown(const fake_sdl::Flip& flip, CellPosition cell);

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Queues an event for the first poll once `when` ms have passed in the run.
  static void at(std::uint64_t when, const SDL_Event& event);
  // Runs the main routine to its end and returns its status; its standard output is kept
  // in `output`.
  int run();

  // Arrow presses 5 ms apart for a second from `first` ms into the run, then a quit
  // request: over the loop's cycle, presses land in every phase.
  static void press_arrows_for_a_second_from(std::uint64_t first);
  // After a run: the longest time from a press until a frame drawn after it was shown.
  static std::uint64_t slowest_key_to_screen_ms();

  std::string output;

 private:
  ScratchDirectory scratch_;
  std::filesystem::path previous_directory_;
};
