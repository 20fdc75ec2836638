// Which SDL 1.2 the program runs on and how its frames reach the window, told by the
// libraries mapped into the running program.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "acceptance_test.h"

namespace {

// The OpenGL stack SDL2 presents through by default: the GL dispatch libraries and Mesa's
// software rasteriser with the LLVM it compiles with.
constexpr std::string_view kGlLibraries[] = {"libGL.so", "libGLX", "libEGL", "swrast_dri",
                                             "libLLVM"};

class Presentation : public ProgramTest {
 protected:
  // The files mapped into the program's memory.
  std::set<std::string> mapped_files() const {
    std::set<std::string> files;
    std::ifstream maps("/proc/" + std::to_string(run_->process().pid()) + "/maps");
    for (std::string line; std::getline(maps, line);) {
      if (const auto slash = line.find('/'); slash != std::string::npos) {
        files.insert(line.substr(slash));
      }
    }
    return files;
  }

  static std::optional<std::string> file_named(const std::set<std::string>& files,
                                               std::string_view part) {
    const auto found = std::find_if(files.begin(), files.end(), [&](const std::string& file) {
      return file.find(part) != std::string::npos;
    });
    return found == files.end() ? std::nullopt : std::optional<std::string>{*found};
  }

  static std::optional<std::string> gl_library(const std::set<std::string>& files) {
    for (const std::string_view library : kGlLibraries) {
      if (auto found = file_named(files, library)) {
        return found;
      }
    }
    return std::nullopt;
  }
};

// A run meant for the classic library that silently fell back to the system's SDL would
// pass every other test; this one fails it. Without a GPU, presenting through OpenGL (under
// Wine, Direct3D over it) costs many times the CPU and memory.
TEST_F(Presentation, RunsOnTheSdlUnderTestAndPresentsWithoutOpenGl) {
  ASSERT_TRUE(launch_showing_test_screen());
  const std::set<std::string> files = mapped_files();
  // Under Wine the SDL under test is the zip's own: SDL.dll, the compatibility layer, over
  // SDL2.dll.
  const auto sdl = file_named(files, on_wine() ? "/SDL.dll" : "libSDL-1.2");
  ASSERT_TRUE(sdl) << "no SDL 1.2 library is mapped";
  if (const auto dir = classic_sdl_dir()) {
    const std::string folder = std::filesystem::canonical(*dir).string() + "/";
    EXPECT_TRUE(sdl->starts_with(folder)) << *sdl << " is not the classic library in " << folder;
    EXPECT_FALSE(file_named(files, "libSDL2")) << "the classic library does not use SDL2";
  } else {
    EXPECT_TRUE(file_named(files, on_wine() ? "/SDL2.dll" : "libSDL2"))
        << *sdl << " is not the compatibility layer";
  }
  const auto gl = gl_library(files);
  EXPECT_FALSE(gl) << "frames are presented through OpenGL: " << *gl;
}

// SDL_FRAMEBUFFER_ACCELERATION=1 leaves presenting to SDL2, which uses OpenGL, and the
// picture stays the same. The classic library has no OpenGL presenting at all.
TEST_F(Presentation, GpuPresentingIsOneVariableAwayAndShowsTheSamePicture) {
  ASSERT_TRUE(launch_in_window({{"SDL_FRAMEBUFFER_ACCELERATION", "1"}}));
  EXPECT_TRUE(wait_for_both_blink_phases(test_screen()));
  EXPECT_EQ(gl_library(mapped_files()).has_value(), !on_classic_sdl());
}

}  // namespace
