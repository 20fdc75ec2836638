// Starting the program in a window, as a user would from a desktop.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "program_run.h"
#include "x_session.h"

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
