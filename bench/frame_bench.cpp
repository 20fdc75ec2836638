// What one frame costs: composing the test screen into memory beside the two background
// fills it starts with (the glyph drawing should add little to them), and a whole frame
// presented in a real window, the way the program presents by default (what the loop's
// pacing saves each time it skips one).
// The window benchmark needs $DISPLAY; without one it is skipped.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/main_routine.h"
#include "display/test_screen.h"

namespace {

// 16-bit RGB565, the program's own pixel format.
constexpr Uint32 kRedMask = 0xF800;
constexpr Uint32 kGreenMask = 0x07E0;
constexpr Uint32 kBlueMask = 0x001F;

// The two background rectangles of a frame, as compose_test_screen fills them on a
// 640x480 surface: the grey frame centred, the black window centred and moved 7 right, 4
// down.
constexpr SDL_Rect kGreyFrame{.x = 86, .y = 90, .w = 468, .h = 300};
constexpr SDL_Rect kBlackWindow{.x = 135, .y = 119, .w = 384, .h = 250};

FontImage shipped_font() {
  FontImage font{};
  load_font(font, VYRTEL_SHIPPED_FONT);
  return font;
}

// A 640x480 RGB565 surface in memory, freed with the object.
class MemorySurface {
 public:
  MemorySurface()
      : sdl_(SDL_CreateRGBSurface(SDL_SWSURFACE, kScreenWidth, kScreenHeight, kScreenBitsPerPixel,
                                  kRedMask, kGreenMask, kBlueMask, 0)) {}
  ~MemorySurface() { SDL_FreeSurface(sdl_); }
  MemorySurface(const MemorySurface&) = delete;
  MemorySurface& operator=(const MemorySurface&) = delete;
  MemorySurface(MemorySurface&&) = delete;
  MemorySurface& operator=(MemorySurface&&) = delete;
  [[nodiscard]] SDL_Surface* sdl() const { return sdl_; }

 private:
  SDL_Surface* sdl_;
};

// cppcheck-suppress constParameterCallback ; Google Benchmark passes its state by reference
void BM_ComposeFrameInMemory(benchmark::State& state) {
  const FontImage font = shipped_font();
  MemorySurface memory;
  ScreenSurface screen = make_screen_surface(memory.sdl());
  for ([[maybe_unused]] auto _ : state) {
    compose_test_screen(screen, font, kCursorStart);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ComposeFrameInMemory);

// cppcheck-suppress constParameterCallback ; Google Benchmark passes its state by reference
void BM_BackgroundFillsInMemory(benchmark::State& state) {
  MemorySurface memory;
  const ScreenSurface screen = make_screen_surface(memory.sdl());
  for ([[maybe_unused]] auto _ : state) {
    SDL_Rect grey = kGreyFrame;
    SDL_Rect black = kBlackWindow;
    SDL_FillRect(memory.sdl(), &grey, screen.colours.grey);
    SDL_FillRect(memory.sdl(), &black, screen.colours.black);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BackgroundFillsInMemory);

// compose_test_screen ends with SDL_Flip, which must cost nothing on a surface that is
// not the display.
// cppcheck-suppress constParameterCallback ; Google Benchmark passes its state by reference
void BM_FlipMemorySurface(benchmark::State& state) {
  MemorySurface memory;
  for ([[maybe_unused]] auto _ : state) {
    benchmark::DoNotOptimize(SDL_Flip(memory.sdl()));
  }
}
BENCHMARK(BM_FlipMemorySurface);

void BM_FrameInWindow(benchmark::State& state) {
  ScreenSurface screen{};
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || !set_display_mode(screen, false)) {
    state.SkipWithError("no window: run under an X display");
    return;
  }
  const FontImage font = shipped_font();
  for ([[maybe_unused]] auto _ : state) {
    compose_test_screen(screen, font, kCursorStart);
  }
}
// Presenting leaves work to the X server, and on the GPU path to the GL driver's own
// threads: real time is the frame's cost in time, and the CPU column counts every thread
// of this process.
BENCHMARK(BM_FrameInWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

struct Timing {
  double real_seconds;
  double cpu_seconds;
};

// Prints as usual and keeps each benchmark's times per iteration, the median of the
// repetitions when there are several, for the summary printed at the end.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  // In colour only on a terminal, so that the summary lines can be read from a pipe.
  RecordingReporter() : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_Defaults : OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (!run.error_occurred &&
          (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")) {
        const auto iterations = static_cast<double>(run.iterations);
        timings_[run.run_name.function_name] =
            Timing{.real_seconds = run.real_accumulated_time / iterations,
                   .cpu_seconds = run.cpu_accumulated_time / iterations};
      }
    }
  }

  [[nodiscard]] std::optional<Timing> timing(const std::string& name) const {
    const auto found = timings_.find(name);
    return found == timings_.end() ? std::nullopt : std::optional<Timing>(found->second);
  }

 private:
  std::map<std::string, Timing> timings_;
};

constexpr double kMicrosecondsPerSecond = 1e6;
constexpr double kMillisecondsPerSecond = 1e3;

// The figures make bench puts in its summary, as "name value" lines.
void print_summary(const RecordingReporter& reporter) {
  const auto compose = reporter.timing("BM_ComposeFrameInMemory");
  const auto fills = reporter.timing("BM_BackgroundFillsInMemory");
  const auto window = reporter.timing("BM_FrameInWindow");
  if (compose && fills) {
    std::printf("compose-in-memory-us %.1f\n", compose->real_seconds * kMicrosecondsPerSecond);
    std::printf("fills-in-memory-us %.1f\n", fills->real_seconds * kMicrosecondsPerSecond);
    std::printf("compose-to-fills-ratio %.2f\n", compose->real_seconds / fills->real_seconds);
  }
  if (window) {
    std::printf("frame-in-window-ms %.2f\n", window->real_seconds * kMillisecondsPerSecond);
    std::printf("frame-in-window-cpu-ms %.2f\n", window->cpu_seconds * kMillisecondsPerSecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // The program's own start-up, so that the window benchmark presents as the program does.
  if (!init_sdl()) {
    std::cerr << "no video, the window benchmark is skipped\n";
  }
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  print_summary(reporter);
  benchmark::Shutdown();
  SDL_Quit();
  return 0;
}
