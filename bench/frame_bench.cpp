// What composing one frame costs in memory, beside the two background fills it starts
// with: the glyph drawing should add little to them. Ends with the figures vyrtel_probe
// reads, "frame-cost.NAME value" lines, from the median of the repetitions.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/main_routine.h"
#include "display/test_screen.h"
#include "screen_model.h"
#include "tests/display_test_support.h"

namespace {

SDL_Rect rectangle(const Area& area) {
  return {.x = static_cast<Sint16>(area.left),
          .y = static_cast<Sint16>(area.top),
          .w = static_cast<Uint16>(area.width),
          .h = static_cast<Uint16>(area.height)};
}

// cppcheck-suppress constParameterCallback ; Google Benchmark passes its state by reference
void BM_ComposeFrameInMemory(benchmark::State& state) {
  FontImage font{};
  load_font(font, VYRTEL_SHIPPED_FONT);
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

// Prints as usual and keeps each benchmark's time per iteration, in microseconds: the
// median of the repetitions when there are several.
class RecordingReporter : public benchmark::ConsoleReporter {
 public:
  // In colour only on a terminal, so that the summary lines can be read from a file.
  RecordingReporter() : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_Defaults : OO_None) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    constexpr double kMicrosecondsPerSecond = 1e6;
    for (const Run& run : runs) {
      if (!run.error_occurred &&
          (run.run_type == Run::RT_Iteration || run.aggregate_name == "median")) {
        microseconds[run.run_name.function_name] =
            run.real_accumulated_time / static_cast<double>(run.iterations) *
            kMicrosecondsPerSecond;
      }
    }
  }

  std::map<std::string, double> microseconds;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RecordingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double compose = reporter.microseconds["BM_ComposeFrameInMemory"];
  const double fills = reporter.microseconds["BM_BackgroundFillsInMemory"];
  std::printf("frame-cost.compose-us %.1f\nframe-cost.fills-us %.1f\n", compose, fills);
  benchmark::Shutdown();
  return 0;
}
