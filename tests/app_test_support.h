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

  std::string output;

 private:
  ScratchDirectory scratch_;
  std::filesystem::path previous_directory_;
};
