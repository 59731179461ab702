#pragma once
// Win32-only: the wizard window as one state object, shared by the window
// procedure (window_win32.cpp) and the control surface
// (control_surface_win32.cpp).
#include <windows.h>

#include <cstdint>

#include "interpreter/controls.hpp"
#include "support/ring.hpp"

namespace mivora {

inline constexpr int kEventCount = 4;
inline constexpr std::uint32_t kShowLineCapacity = 127;

struct WizardWindow {
  HWND window = nullptr;  // stored once by start-up
  // The control handle table, entry 0 the window itself; filled by the
  // script thread before its first page.
  HWND controls[kControlCount] = {};
  HANDLE events[kEventCount] = {};  // idle, close, key, command; null until start-up makes them
  // Touched only by the window procedure, on the main thread.
  Ring<std::uint32_t, 128> commands;
  Ring<std::int32_t, 32> keys;
  char show_line[kShowLineCapacity + 1] = {};
  // True while the window sets a control's text for the script.
  bool setting_text = false;
};

extern constinit WizardWindow g_wizard;

}  // namespace mivora
