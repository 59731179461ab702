#pragma once
// Win32-only: what the wizard window's *_win32.cpp files share, the window handle.
#include <windows.h>

namespace mivora {

[[nodiscard]] HWND wizard_window_handle();

}  // namespace mivora
