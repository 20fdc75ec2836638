#include "program_run.h"

namespace {

constexpr const char* kStdoutFile = "stdout.txt";
constexpr const char* kStderrFile = "stderr.txt";

// Variables a user's session may hold that would steer SDL away from the display under
// test; each run names its own. In the sanitizer build, LeakSanitizer would report the
// memory that SDL, D-Bus and the X and GL libraries keep until exit, from code unloaded by
// then, so that not even a suppression list can tell it from the program's own: the run
// looks for memory errors only.
EnvChanges without_display_choices() {
  return {{"ASAN_OPTIONS", "detect_leaks=0"},       {"SDL_VIDEODRIVER", std::nullopt},
          {"SDL_VIDEO_X11_VISUALID", std::nullopt}, {"SDL12COMPAT_SCALE_METHOD", std::nullopt},
          {"WAYLAND_DISPLAY", std::nullopt},        {"DISPLAY", std::nullopt}};
}

}  // namespace

ProgramRun::ProgramRun() {
  std::filesystem::create_directory(dir_.path() / "rfs");
}

std::filesystem::path ProgramRun::font_path() const {
  return dir_.path() / "rfs/rk_font.bin";
}

void ProgramRun::install_font(const FontBytes& font) {
  write_file(font_path(), font);
}

void ProgramRun::start(const EnvChanges& env, const std::vector<std::string>& wrapper) {
  std::vector<std::string> argv = wrapper;
  argv.emplace_back(VYRTEL_PROGRAM);
  process_ = std::make_unique<ChildProcess>(argv, dir_.path(), env,
                                            ChildStreams{.stdout_file = dir_.path() / kStdoutFile,
                                                         .stderr_file = dir_.path() / kStderrFile,
                                                         .inherited_fd = -1});
}

std::string ProgramRun::output() const {
  return read_file(dir_.path() / kStdoutFile);
}

std::string ProgramRun::errors() const {
  return read_file(dir_.path() / kStderrFile);
}

EnvChanges window_environment(const std::string& display) {
  EnvChanges env = without_display_choices();
  env.emplace_back("DISPLAY", display);
  return env;
}

EnvChanges dummy_environment() {
  EnvChanges env = without_display_choices();
  env.emplace_back("SDL_VIDEODRIVER", "dummy");
  return env;
}
