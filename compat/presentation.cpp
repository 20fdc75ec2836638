#include "compat/presentation.h"

#include <cstdlib>

#include "app/platform.h"

namespace {

constexpr const char* kRenderDriverVariable = "SDL_RENDER_DRIVER";
constexpr const char* kFramebufferAccelerationVariable = "SDL_FRAMEBUFFER_ACCELERATION";

}  // namespace

void present_through_window_framebuffer() {
  if (std::getenv(kRenderDriverVariable) != nullptr ||
      std::getenv(kFramebufferAccelerationVariable) != nullptr) {
    return;
  }
  set_default(kRenderDriverVariable, "software");
  set_default(kFramebufferAccelerationVariable, "0");
}
