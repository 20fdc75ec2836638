#include "program_run.h"

#include <array>
#include <cstdlib>
#include <stdexcept>

#include "display_choices.h"

namespace {

// Where the run keeps its standard streams: not stdout.txt and stderr.txt, the names the
// Windows program's own files have.
constexpr const char* kCapturedOutput = "captured-stdout";
constexpr const char* kCapturedErrors = "captured-stderr";
// The files SDL sends the Windows program's output to, beside the program.
constexpr const char* kWindowsOutputFile = "stdout.txt";
constexpr const char* kWindowsErrorsFile = "stderr.txt";
constexpr const char* kClassicSdlVariable = "VYRTEL_CLASSIC_SDL_DIR";
// The folder tests/wine/setup.sh made: the unpacked zip in program/, and in prefix/ the
// Wine prefix each run gets a copy of.
constexpr const char* kWineDirVariable = "VYRTEL_WINE_DIR";
constexpr const char* kWindowsProgram = "vyrtel.exe";
// A Debian package for another processor, unpacked into the folder its variable names
// when the suite runs that package's program under qemu's emulation instead of the
// build's own. The emulator takes the loader and libraries of the package's architecture
// from their multiarch places under /.
struct EmulatedRunner {
  const char* dir_variable;
  const char* emulator;
};
constexpr std::array kEmulatedRunners{EmulatedRunner{"VYRTEL_ARM64_DIR", "qemu-aarch64-static"},
                                      EmulatedRunner{"VYRTEL_ARMHF_DIR", "qemu-arm-static"}};
constexpr const char* kPackagedProgram = "usr/bin/vyrtel";

// A copy made of hard links: instant, and the original stays as it was, since the
// program writes no existing file.
void link_copy(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::filesystem::copy(from, to,
                        std::filesystem::copy_options::recursive |
                            std::filesystem::copy_options::create_hard_links |
                            std::filesystem::copy_options::copy_symlinks);
}

// A copy of a Wine prefix. Wine rewrites its registry files in place, so those are
// copied for real: through a shared link, one run's display scale would become every
// other run's.
void copy_wine_prefix(const std::filesystem::path& from, const std::filesystem::path& to) {
  link_copy(from, to);
  for (const auto& entry : std::filesystem::directory_iterator(from)) {
    if (entry.path().extension() == ".reg") {
      const std::filesystem::path copy = to / entry.path().filename();
      std::filesystem::remove(copy);
      std::filesystem::copy_file(entry.path(), copy);
    }
  }
}

// The program's command line, or that of the program run `instead` of it: the Linux
// program, the Windows one started by Wine, or an ARM one started by qemu.
std::vector<std::string> program_command(const std::filesystem::path& program_folder,
                                         const std::optional<std::filesystem::path>& instead) {
  if (on_wine()) {
    return {"wine", (program_folder / (instead ? instead->filename() : kWindowsProgram)).string()};
  }
  for (const auto& [dir_variable, emulator] : kEmulatedRunners) {
    if (const char* dir = std::getenv(dir_variable); dir != nullptr && *dir != '\0') {
      return {emulator, "-L", "/",
              instead.value_or(std::filesystem::path{dir} / kPackagedProgram).string()};
    }
  }
  return {instead.value_or(VYRTEL_PROGRAM).string()};
}

std::string read_if_present(const std::filesystem::path& file) {
  return std::filesystem::exists(file) ? read_file(file) : std::string{};
}

// A user's session may steer SDL (or the loader's choice of SDL) away from the display
// and library under test; each run names its own. In the sanitizer build, LeakSanitizer
// would report the memory that SDL, D-Bus and the X and GL libraries keep until exit, from
// code unloaded by then, so that not even a suppression list can tell it from the
// program's own: the run looks for memory errors only.
EnvChanges without_display_choices() {
  EnvChanges env{{"ASAN_OPTIONS", "detect_leaks=0"}};
  for (const char* variable : kDisplayChoiceVariables) {
    env.emplace_back(variable, std::nullopt);
  }
  env.emplace_back("LD_LIBRARY_PATH", classic_sdl_dir());
  return env;
}

}  // namespace

ProgramRun::ProgramRun(const std::filesystem::path& program_subfolder)
    : program_subfolder_{program_subfolder} {
  std::filesystem::create_directory(dir_.path() / "rfs");
  if (const auto unpacked = windows_program_dir()) {
    std::filesystem::create_directories(program_folder().parent_path());
    link_copy(*unpacked, program_folder());
    copy_wine_prefix(unpacked->parent_path() / "prefix", wine_prefix());
  }
}

ProgramRun::~ProgramRun() {
  process_.reset();
  if (on_wine()) {
    stop_wine();
  }
}

// Wine's server and the Windows services it started outlive the program for a while;
// they go now, before the run's folder with their prefix does.
void ProgramRun::stop_wine() const {
  ChildProcess stopper({"wineserver", "--kill"}, dir_.path(),
                       {{"WINEPREFIX", wine_prefix().string()}}, ChildStreams{});
  stopper.wait_for_exit(std::chrono::seconds{10});
}

// Where Windows keeps the display scale the user chose; Wine reads it too. The change is
// made with Windows' own reg tool, whose Wine server and desktop, started without a
// display, are left to end before the program starts its own.
void ProgramRun::set_display_scale(int dpi) {
  const EnvChanges env{{"WINEPREFIX", wine_prefix().string()}, {"WINEDEBUG", "-all"}};
  ChildProcess reg({"wine", "reg", "add", R"(HKCU\Control Panel\Desktop)", "/v", "LogPixels", "/t",
                    "REG_DWORD", "/d", std::to_string(dpi), "/f"},
                   dir_.path(), env, ChildStreams{});
  const std::optional<int> status = reg.wait_for_exit(std::chrono::seconds{60});
  ChildProcess server_ended({"wineserver", "--wait"}, dir_.path(), env, ChildStreams{});
  server_ended.wait_for_exit(std::chrono::seconds{60});
  if (!status || *status != 0) {
    throw std::runtime_error("wine reg add could not set the display scale");
  }
}

std::filesystem::path ProgramRun::font_path() const {
  return dir_.path() / "rfs/rk_font.bin";
}

void ProgramRun::install_font(const FontBytes& font) {
  write_file(font_path(), font);
}

void ProgramRun::run_instead(const std::filesystem::path& program) {
  if (on_wine()) {
    std::filesystem::copy_file(program, program_folder() / program.filename());
  }
  instead_ = program;
}

void ProgramRun::start(const EnvChanges& env, const std::vector<std::string>& wrapper,
                       StartIn folder) {
  std::vector<std::string> argv = wrapper;
  for (std::string& part : program_command(program_folder(), instead_)) {
    argv.push_back(std::move(part));
  }
  EnvChanges run_env;
  if (on_wine()) {
    // Wine's own notes on what it does not implement would drown what the program says;
    // a test may ask for some of them.
    run_env.emplace_back("WINEDEBUG", "-all");
    run_env.emplace_back("WINEPREFIX", wine_prefix().string());
  }
  run_env.insert(run_env.end(), env.begin(), env.end());
  process_ = std::make_unique<ChildProcess>(
      argv, folder == StartIn::kProgramFolder ? program_folder() : dir_.path(), run_env,
      ChildStreams{.stdout_file = dir_.path() / kCapturedOutput,
                   .stderr_file = dir_.path() / kCapturedErrors,
                   .inherited_fd = -1});
}

std::string ProgramRun::output() const {
  return read_file(dir_.path() / kCapturedOutput) +
         read_if_present(program_folder() / kWindowsOutputFile);
}

std::string ProgramRun::errors() const {
  return read_file(dir_.path() / kCapturedErrors) +
         read_if_present(program_folder() / kWindowsErrorsFile);
}

std::optional<std::filesystem::path> windows_program_dir() {
  const char* dir = std::getenv(kWineDirVariable);
  return dir != nullptr && *dir != '\0'
             ? std::optional<std::filesystem::path>{std::filesystem::path{dir} / "program"}
             : std::nullopt;
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
