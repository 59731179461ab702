// Win32 body of the wizard window: class, window procedure and queues, events, the script thread's link.
#include "wizard/window_win32.hpp"

#include "support/path_buffer.hpp"
#include "wizard/resource.h"
#include "wizard/window_messages.hpp"
#include "wizard/wizard_window.hpp"

extern "C" LRESULT CALLBACK MivoraWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
extern "C" INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

namespace mivora {
namespace {

HANDLE event_of(EventSlot slot) { return g_wizard.events[static_cast<int>(slot)]; }

template <typename T, std::uint32_t Slots>
LRESULT append(Ring<T, Slots>& ring, EventSlot slot, T entry) {
  HANDLE event = event_of(slot);
  if (event == nullptr) return 0;  // start-up has not created the events yet
  // The event is set exactly while entries wait (a take that empties the
  // ring resets it), so only the first entry needs to set it: each SetEvent
  // is a call into the system, and a copy queues the field's own notices
  // with every file it shows.
  const bool was_empty = ring.empty();
  (void)ring.push(entry);  // a full ring drops the new entry and keeps the unread ones
  if (was_empty) SetEvent(event);
  return 0;
}

template <typename T, std::uint32_t Slots>
LRESULT take(Ring<T, Slots>& ring, EventSlot slot) {
  T entry = 0;
  (void)ring.pop(entry);
  if (ring.empty()) ResetEvent(event_of(slot));
  return static_cast<LRESULT>(entry);
}

LRESULT on_take_command(HWND, WPARAM, LPARAM) { return take(g_wizard.commands, EventSlot::kCommand); }

LRESULT on_command(HWND, WPARAM wparam, LPARAM) {
  if (g_wizard.setting_text) return 0;  // a notice of the script's own text, not of the user
  return append(g_wizard.commands, EventSlot::kCommand, static_cast<std::uint32_t>(wparam));
}

// The script's set-text, carried out on this thread so that the notices it
// causes (an edit control's EN_UPDATE and EN_CHANGE) can be told from the
// user's. The control sends them to this procedure during the call itself:
// on its own thread SetWindowTextA is a direct call that reads no message
// queue and waits for no other thread, so no input is dispatched while the
// flag is set. What the user types meanwhile waits in the queue and is
// queued as a command entry after the call, as before; only this thread
// reads or writes the flag. The text is in the shared path buffer, which the
// script thread filled and leaves alone until this request returns; its
// last byte is always the NUL. Another sender can do no more than WM_SETTEXT.
LRESULT on_set_text(HWND, WPARAM control, LPARAM) {
  g_wizard.setting_text = true;
  SetWindowTextA(reinterpret_cast<HWND>(control), shared_path_buffer);
  g_wizard.setting_text = false;
  return 0;
}

LRESULT on_take_key(HWND, WPARAM, LPARAM) { return take(g_wizard.keys, EventSlot::kKey); }

LRESULT on_char(HWND, WPARAM wparam, LPARAM) {
  return append(g_wizard.keys, EventSlot::kKey, static_cast<std::int32_t>(wparam));
}

LRESULT on_key_down(HWND, WPARAM wparam, LPARAM) {
  return append(g_wizard.keys, EventSlot::kKey, static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(wparam)));
}

LRESULT on_cursor_notice(HWND, WPARAM, LPARAM) { return 0; }

LRESULT on_show_line(HWND window, WPARAM length, LPARAM text) {
  SIZE_T count = length < kShowLineCapacity ? length : kShowLineCapacity;
  SIZE_T copied = 0;
  // Any process may send this message; a read through ReadProcessMemory fails
  // instead of faulting when the address is not one of ours.
  if (count != 0 && !ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(text), g_wizard.show_line, count,
                                       &copied))
    copied = 0;
  g_wizard.show_line[copied] = '\0';
  SetDlgItemTextA(window, IDC_TEXT2, g_wizard.show_line);
  return 0;
}

LRESULT on_close(HWND window, WPARAM, LPARAM) {
  HANDLE close = event_of(EventSlot::kClose);
  // Before the events exist the test fails and SetEvent(nullptr) does nothing: the window stays.
  if (WaitForSingleObject(close, 0) != WAIT_OBJECT_0) {
    SetEvent(close);
    return 0;
  }
  DestroyWindow(window);
  return 0;
}

LRESULT on_destroy(HWND, WPARAM, LPARAM) {
  PostQuitMessage(0);
  return 0;
}

struct MessageHandler {
  UINT message;
  LRESULT (*handle)(HWND, WPARAM, LPARAM);
};

// Searched in this order; every other message goes to DefWindowProcA.
constexpr MessageHandler kMessageHandlers[] = {
    {kTakeCommandRequest, on_take_command},
    {WM_COMMAND, on_command},
    {kTakeKeyRequest, on_take_key},
    {WM_CHAR, on_char},
    {WM_KEYDOWN, on_key_down},
    {kCursorNotice, on_cursor_notice},
    {kShowLineRequest, on_show_line},
    {WM_CLOSE, on_close},
    {WM_DESTROY, on_destroy},
    {kSetTextRequest, on_set_text},
};
static_assert(sizeof kMessageHandlers / sizeof kMessageHandlers[0] == 10);

class Win32WindowLink final : public WindowLink {
 public:
  EventSlot wait_for_events(std::uint32_t milliseconds) override {
    DWORD result = WaitForMultipleObjects(kEventCount, g_wizard.events, FALSE, milliseconds);
    // WAIT_OBJECT_0 is 0, so 0..3 are the slots; a timeout or a failure is idle.
    return result < kEventCount ? static_cast<EventSlot>(result) : EventSlot::kIdle;
  }
  bool event_set(EventSlot slot) override { return WaitForSingleObject(event_of(slot), 0) == WAIT_OBJECT_0; }
  std::uint32_t take_command() override {
    return static_cast<std::uint32_t>(SendMessageA(g_wizard.window, kTakeCommandRequest, 0, 0));
  }
  std::int32_t take_key() override { return static_cast<std::int32_t>(SendMessageA(g_wizard.window, kTakeKeyRequest, 0, 0)); }
  void request_close() override { SendMessageA(g_wizard.window, WM_CLOSE, 0, 0); }
};

constinit Win32WindowLink g_link;

WindowOpened failed(StartStep step) { return WindowOpened{false, step}; }

}  // namespace

constinit WizardWindow g_wizard;

WindowLink& wizard_link() { return g_link; }

WindowOpened open_wizard_window() {
  HINSTANCE module = GetModuleHandleA(nullptr);
  WNDCLASSA window_class{};
  window_class.hIcon = LoadIconA(module, MAKEINTRESOURCEA(IDI_MIVORA));
  if (window_class.hIcon == nullptr) return failed(StartStep::kLoadIcon);
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = MivoraWndProc;
  window_class.cbWndExtra = DLGWINDOWEXTRA;  // a dialog on a private class needs the dialog's extra bytes
  window_class.hInstance = module;
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = MIVORA_CLASS_NAME;
  if (RegisterClassA(&window_class) == 0) return failed(StartStep::kRegisterClass);

  HWND window = CreateDialogParamA(module, MAKEINTRESOURCEA(IDD_WIZARD), nullptr, nullptr, 0);
  if (window == nullptr) return failed(StartStep::kCreateWindow);
  g_wizard.window = window;
  ShowWindow(window, SW_SHOW);
  SendDlgItemMessageA(window, IDC_DESTINATION, EM_LIMITTEXT, kDestinationFieldLimit, 0);
  return WindowOpened{true, StartStep::kRegisterClass};
}

void create_wizard_events() {
  for (HANDLE& event : g_wizard.events) event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

}  // namespace mivora

extern "C" LRESULT CALLBACK MivoraWndProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  for (const auto& handler : mivora::kMessageHandlers)
    if (handler.message == message) return handler.handle(window, wparam, lparam);
  return DefWindowProcA(window, message, wparam, lparam);
}

// A simple modal box's procedure, exported for compatibility; the installer opens no dialog with it.
extern "C" INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  constexpr INT_PTR kTrue = -1;
  if (message == WM_INITDIALOG) return kTrue;
  if (message == WM_COMMAND && static_cast<std::int32_t>(wparam) <= 7) {
    EndDialog(dialog, 0);
    return kTrue;
  }
  return 0;
}
