#include "windows/desktop.h"

#include <windows.h>

#include <cstdlib>
#include <string>

#include "compat/system.h"

namespace {

// The frame of a window in the style SDL gives one that cannot be resized: title bar,
// border and the system menu's buttons.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
// GetDpiForMonitor's MDT_EFFECTIVE_DPI: the scale the user chose for that monitor.
constexpr int kEffectiveDpi = 0;
// SDL's wrapper sends standard output to stdout.txt unless this reads as the number 0.
constexpr const char* kRedirectVariable = "SDL_STDIO_REDIRECT";

using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

HMONITOR primary_monitor() {
  return MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
}

// The monitor's own scale where Windows keeps one per monitor (8.1 and later, through
// shcore.dll, looked up by name so that the program still starts without it); the
// system's scale, that of the primary monitor, before that.
int monitor_dpi(HMONITOR monitor) {
  if (HMODULE shcore = LoadLibraryW(L"shcore.dll")) {
    const auto get_dpi = reinterpret_cast<GetDpiForMonitorFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(shcore, "GetDpiForMonitor")));
    UINT dpi_x = 0;
    UINT dpi_y = 0;
    const bool answered =
        get_dpi != nullptr && SUCCEEDED(get_dpi(monitor, kEffectiveDpi, &dpi_x, &dpi_y));
    FreeLibrary(shcore);
    if (answered) {
      return static_cast<int>(dpi_y);
    }
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

PixelSize work_area(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info) == 0) {
    return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return {info.rcWork.right - info.rcWork.left, info.rcWork.bottom - info.rcWork.top};
}

PixelSize window_frame() {
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

bool output_goes_to_console() {
  const char* redirect = std::getenv(kRedirectVariable);
  return redirect != nullptr && std::atoi(redirect) == 0;
}

std::wstring wide(std::string_view text) {
  const int size = static_cast<int>(text.size());
  std::wstring result(
      static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result.data(),
                      static_cast<int>(result.size()));
  return result;
}

}  // namespace

// The primary monitor, where SDL opens the window: its scale, the frame of a window in
// SDL's style at that scale, and its work area.
std::optional<Desktop> system_desktop() {
  const HMONITOR monitor = primary_monitor();
  return Desktop{
      .dpi = monitor_dpi(monitor), .frame = window_frame(), .work_area = work_area(monitor)};
}

void show_failure_box(std::string_view message, const char* caption) {
  if (output_goes_to_console()) {
    return;
  }
  if (message.ends_with('\n')) {
    message.remove_suffix(1);
  }
  MessageBoxW(nullptr, wide(message).c_str(), wide(caption).c_str(),
              MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
