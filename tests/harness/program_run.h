// One run of the program under test, in a working directory of its own.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "expected_texts.h"
#include "process.h"
#include "screen_model.h"

// Where a run starts: in a working directory of its own, or in the program's folder, as
// a double-click on the Windows program starts it.
enum class StartIn { kRunFolder, kProgramFolder };

class ProgramRun {
 public:
  // Makes the working directory with an empty rfs/ folder in it. For the Windows program
  // it also puts a copy of the unpacked zip (in `program_subfolder`) and of the suite's
  // Wine prefix there, so that what the program writes beside itself, and Wine's own
  // processes, belong to this run.
  explicit ProgramRun(const std::filesystem::path& program_subfolder = "program");
  // Ends the program, and Wine's processes with it.
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  // Where the program looks for its font.
  std::filesystem::path font_path() const;
  void install_font(const FontBytes& font);
  // Sets the Windows display scale the program will see, in dots per inch (96 is 100 %),
  // as the user's setting in the run's Wine prefix.
  void set_display_scale(int dpi);

  // Makes start() run `program` in the program's place, the same way: a Windows program
  // from a copy beside the Windows program, an ARM one under qemu.
  void run_instead(const std::filesystem::path& program);

  // Starts the program, or `wrapper` with the program appended to it (valgrind, say).
  void start(const EnvChanges& env, const std::vector<std::string>& wrapper = {},
             StartIn folder = StartIn::kRunFolder);

  ChildProcess& process() { return *process_; }
  // What the program printed so far: on standard output and standard error, and for the
  // Windows program also in the files its SDL sends them to beside it.
  std::string output() const;
  std::string errors() const;

  std::filesystem::path run_folder() const { return dir_.path(); }
  // The folder of the Windows program in this run.
  std::filesystem::path program_folder() const { return dir_.path() / program_subfolder_; }

 private:
  std::filesystem::path wine_prefix() const { return dir_.path() / "wine-prefix"; }
  void stop_wine() const;

  ScratchDirectory dir_;
  std::filesystem::path program_subfolder_;
  std::optional<std::filesystem::path> instead_;
  std::unique_ptr<ChildProcess> process_;
};

// The folder the Windows zip is unpacked into, when the suite runs the Windows program
// under Wine instead of the Linux one (VYRTEL_WINE_DIR).
std::optional<std::filesystem::path> windows_program_dir();
inline bool on_wine() {
  return windows_program_dir().has_value();
}

// The folder of the classic SDL 1.2 library the program runs on instead of the
// compatibility layer it is built with, when the suite is run on it
// (VYRTEL_CLASSIC_SDL_DIR).
std::optional<std::string> classic_sdl_dir();

// The environment for a run in a window on `display`: SDL chooses its own video driver
// and presentation, as for a user.
EnvChanges window_environment(const std::string& display);
// The environment for a run without any display, on SDL's dummy driver.
EnvChanges dummy_environment();
