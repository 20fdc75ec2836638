// One run of the program under test, in a working directory of its own.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "process.h"
#include "screen_model.h"

inline constexpr const char* kCaption = "Vyrtel V0.1";

class ProgramRun {
 public:
  // Makes the working directory with an empty rfs/ folder in it.
  ProgramRun();

  // Where the program looks for its font.
  std::filesystem::path font_path() const;
  void install_font(const FontBytes& font);

  // Starts the program, or `wrapper` with the program appended to it (valgrind, say).
  void start(const EnvChanges& env, const std::vector<std::string>& wrapper = {});

  ChildProcess& process() { return *process_; }
  std::string output() const;  // standard output so far
  std::string errors() const;  // standard error so far

 private:
  TempDir dir_;
  std::unique_ptr<ChildProcess> process_;
};

// The folder of the classic SDL 1.2 library the program runs on instead of the
// compatibility layer it is built with, when the suite is run on it
// (VYRTEL_CLASSIC_SDL_DIR).
std::optional<std::string> classic_sdl_dir();

// The environment for a run in a window on `display`: SDL chooses its own video driver
// and presentation, as for a user.
EnvChanges window_environment(const std::string& display);
// The environment for a run without any display, on SDL's dummy driver.
EnvChanges dummy_environment();
