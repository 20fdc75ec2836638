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
#include "screen_model.h"
#include "tests/display_test_support.h"

namespace {

FontImage shipped_font() {
  FontImage font{};
  load_font(font, VYRTEL_SHIPPED_FONT);
  return font;
}

SDL_Rect rectangle(const Area& area) {
  return {.x = static_cast<Sint16>(area.left),
          .y = static_cast<Sint16>(area.top),
          .w = static_cast<Uint16>(area.width),
          .h = static_cast<Uint16>(area.height)};
}

// cppcheck-suppress constParameterCallback ; Google Benchmark passes its state by reference
void BM_ComposeFrameInMemory(benchmark::State& state) {
  const FontImage font = shipped_font();
  const OwnedSurface memory = make_memory_surface(0);
  ScreenSurface screen = make_screen_surface(memory.get());
  for ([[maybe_unused]] auto _ : state) {
    compose_test_screen(screen, font, kCursorStart);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ComposeFrameInMemory);

// cppcheck-suppress constParameterCallback ; Google Benchmark passes its state by reference
void BM_BackgroundFillsInMemory(benchmark::State& state) {
  const OwnedSurface memory = make_memory_surface(0);
  const ScreenSurface screen = make_screen_surface(memory.get());
  for ([[maybe_unused]] auto _ : state) {
    SDL_Rect grey = rectangle(kGreyFrame);
    SDL_Rect black = rectangle(kBlackWindow);
    SDL_FillRect(memory.get(), &grey, screen.colours.grey);
    SDL_FillRect(memory.get(), &black, screen.colours.black);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_BackgroundFillsInMemory);

// compose_test_screen ends with SDL_Flip, which must cost nothing on a surface that is
// not the display.
// cppcheck-suppress constParameterCallback ; Google Benchmark passes its state by reference
void BM_FlipMemorySurface(benchmark::State& state) {
  const OwnedSurface memory = make_memory_surface(0);
  for ([[maybe_unused]] auto _ : state) {
    benchmark::DoNotOptimize(SDL_Flip(memory.get()));
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
