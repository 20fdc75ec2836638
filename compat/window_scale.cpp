// The window's scale on the compatibility layer, which shows the window as many times its
// size as SDL12COMPAT_WINDOW_SCALING says; the classic library has no such scaling and
// ignores the variable.
#include <cstdlib>
#include <string>

#include "app/platform.h"
#include "compat/system.h"

namespace {

constexpr const char* kWindowScalingVariable = "SDL12COMPAT_WINDOW_SCALING";

}  // namespace

// The program never overrides a scale the user chose, so the desktop is not even read.
std::optional<Desktop> desktop() {
  if (std::getenv(kWindowScalingVariable) != nullptr) {
    return std::nullopt;
  }
  return system_desktop();
}

void set_window_scale(int scale) {
  set_default(kWindowScalingVariable, std::to_string(scale).c_str());
}
