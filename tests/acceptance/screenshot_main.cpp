// `make screenshot`: runs the program with its shipped font in a window on a private X
// server and writes the window, underline showing, to the PNG file named on the command
// line.
#include <X11/keysym.h>

#include <chrono>
#include <exception>
#include <iostream>
#include <string>

#include "polling.h"
#include "screen_model.h"
#include "window_launch.h"
#include "x_server.h"
#include "x_session.h"

namespace {

FontBytes shipped_font() {
  const std::string text = read_file(VYRTEL_SHIPPED_FONT);
  return FontBytes{text.begin(), text.end()};
}

int take_screenshot(const std::filesystem::path& output) {
  XServer server;
  XSession x{server.display()};
  const FontBytes font = shipped_font();
  WindowLaunch launch = launch_in_window(
      x, [&](ProgramRun& run) { run.install_font(font); }, kWindowTimeout);
  if (!launch.window) {
    std::cerr << "Cannot take a screenshot: " << launch.failure << "\n";
    return 1;
  }
  ExpectedPicture complete{font};
  complete.add_underline(kStartCell);
  std::optional<Image> picture;
  const bool shown = poll_until(kPictureTimeout, [&] {
    picture = x.capture(*launch.window);
    return picture && read_window(*picture, 1).picture && complete.mismatches(*picture).empty();
  });
  x.press_key(XK_Escape);
  launch.run->process().wait_for_exit(kExitTimeout);
  if (!shown) {
    std::cerr << "Cannot take a screenshot: the window never showed the whole test screen\n";
    return 1;
  }
  write_png(*picture, output);
  std::cout << "Wrote " << output.string() << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " OUTPUT.png\n";
    return 2;
  }
  try {
    return take_screenshot(argv[1]);
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    return 1;
  }
}
