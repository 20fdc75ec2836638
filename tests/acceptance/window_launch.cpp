#include "window_launch.h"

#include <iostream>

#include "polling.h"

namespace {

// Refusals are independent and rare; four in a row are no longer chance.
constexpr int kStartAttempts = 4;
constexpr const char* kUnreachableDisplay = "Unable to init SDL";

}  // namespace

WindowLaunch launch_in_window(XSession& x, const std::function<void(ProgramRun&)>& install_font,
                              std::chrono::milliseconds timeout, const EnvChanges& settings,
                              StartIn folder) {
  EnvChanges env = window_environment(x.display_name());
  env.insert(env.end(), settings.begin(), settings.end());
  WindowLaunch launch;
  for (int attempt = 1; attempt <= kStartAttempts; ++attempt) {
    launch.run = std::make_unique<ProgramRun>();
    install_font(*launch.run);
    launch.run->start(env, {}, folder);
    ChildProcess& process = launch.run->process();
    poll_until(timeout, [&] {
      launch.window = x.find_window(kCaption);
      return launch.window || process.has_exited();
    });
    if (launch.window) {
      x.focus(*launch.window);
      return launch;
    }
    if (!process.has_exited()) {
      launch.failure = "no window captioned \"" + std::string{kCaption} + "\" appeared";
      return launch;
    }
    if (launch.run->output().rfind(kUnreachableDisplay, 0) != 0) {
      launch.failure = "the program ended (" +
                       describe_wait_status(*process.wait_for_exit(std::chrono::milliseconds{0})) +
                       ") before showing a window";
      return launch;
    }
    std::cout << "Start " << attempt << " could not reach the display (" << launch.run->output()
              << "), trying again" << std::endl;
  }
  launch.failure =
      "the program could not reach the display in " + std::to_string(kStartAttempts) + " starts";
  return launch;
}
