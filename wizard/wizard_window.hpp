#pragma once
// The wizard window as start-up and the script thread reach it: open it
// (class, dialog template 100, shown), create the four events, and the two
// seams through which the script thread acts on it. The window procedure,
// its queues and the Win32 seams live in window_win32.cpp and
// control_surface_win32.cpp.
#include <cstdint>

#include "interpreter/window_link.hpp"
#include "interpreter/control_surface.hpp"

namespace mivora {

// The start-up steps that can fail, with the step code the fatal error box shows.
enum class StartStep : std::uint32_t {
  kRegisterClass = 0,
  kCreateWindow = 1,
  kLoadIcon = 10,
};

struct [[nodiscard]] WindowOpened {
  bool ok = false;
  StartStep failed_step = StartStep::kRegisterClass;  // when !ok; the system's last error says why
};

// Loads icon 1, registers the class MIVORADLG32, creates the window from
// dialog template 100 without an owner and shows it.
WindowOpened open_wizard_window();
// The idle, close, key and command events, in slot order. Until they exist
// the window drops all input.
void create_wizard_events();

[[nodiscard]] WindowLink& wizard_link();
[[nodiscard]] ControlSurface& wizard_controls();

}  // namespace mivora
