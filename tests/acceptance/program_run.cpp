#include "program_run.h"

#include <cstdlib>

namespace {

constexpr const char* kStdoutFile = "stdout.txt";
constexpr const char* kStderrFile = "stderr.txt";
constexpr const char* kClassicSdlVariable = "VYRTEL_CLASSIC_SDL_DIR";

// Variables a user's session may hold that would steer SDL (or the loader's choice of
// SDL) away from the display and library under test; each run names its own. In the
// sanitizer build, LeakSanitizer would report the memory that SDL, D-Bus and the X and GL
// libraries keep until exit, from code unloaded by then, so that not even a suppression
// list can tell it from the program's own: the run looks for memory errors only.
EnvChanges without_display_choices() {
  EnvChanges env{{"ASAN_OPTIONS", "detect_leaks=0"}};
  for (const char* variable :
       {"SDL_VIDEODRIVER", "SDL_VIDEO_X11_VISUALID", "SDL_RENDER_DRIVER",
        "SDL_FRAMEBUFFER_ACCELERATION", "SDL_RENDER_SCALE_QUALITY", "SDL12COMPAT_SCALE_METHOD",
        "SDL12COMPAT_WINDOW_SCALING", "CACA_DRIVER", "WAYLAND_DISPLAY", "DISPLAY"}) {
    env.emplace_back(variable, std::nullopt);
  }
  env.emplace_back("LD_LIBRARY_PATH", classic_sdl_dir());
  return env;
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

std::optional<std::string> classic_sdl_dir() {
  const char* dir = std::getenv(kClassicSdlVariable);
  return dir != nullptr && *dir != '\0' ? std::optional<std::string>{dir} : std::nullopt;
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
