#pragma once
// The wizard window's own messages, numbered from WM_USER (0x400) + 400.
// Shared by the window, its tests and the UI probe.

namespace mivora {

inline constexpr unsigned kCursorNotice = 0x590;        // answered with 0, nothing else
inline constexpr unsigned kShowLineRequest = 0x591;     // wParam length, lParam text: shown in 211
inline constexpr unsigned kTakeKeyRequest = 0x593;      // the oldest key entry, or 0
inline constexpr unsigned kTakeCommandRequest = 0x594;  // the oldest command entry, or 0
// wParam a control's handle: sets its text to the shared path buffer on the
// window's own thread, and queues none of the notices the control sends meanwhile.
inline constexpr unsigned kSetTextRequest = 0x595;

}  // namespace mivora
