// Starting the program in a window, as a user would from a desktop.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "program_run.h"
#include "x_session.h"

// Generous limits for a run in a window: a loaded two-core machine running the sanitizer
// build next to another test takes many times longer than an idle one for each of these.
inline constexpr std::chrono::milliseconds kWindowTimeout = std::chrono::seconds{30};
inline constexpr std::chrono::milliseconds kPictureTimeout = std::chrono::seconds{15};
inline constexpr std::chrono::milliseconds kExitTimeout = std::chrono::seconds{20};

struct WindowLaunch {
  std::unique_ptr<ProgramRun> run;
  std::optional<WindowId> window;  // none when the launch failed
  std::string failure;             // why it failed
};

// Starts the program on `x`'s display in `folder` with the font file that `install_font`
// puts in place and the user's `settings` added to its environment, waits at most
// `timeout` for its window, and gives the window the keyboard. A start that reports it
// could not reach the display is retried: Xvfb turns away a few percent of new clients.
WindowLaunch launch_in_window(XSession& x, const std::function<void(ProgramRun&)>& install_font,
                              std::chrono::milliseconds timeout, const EnvChanges& settings = {},
                              StartIn folder = StartIn::kRunFolder);
