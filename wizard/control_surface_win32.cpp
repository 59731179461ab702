// Win32 body of the control surface: calls on the control handle table, the Confirm box, the folder picker.
#include <shlobj.h>

#include "support/path_buffer.hpp"
#include "wizard/control_ids.hpp"
#include "wizard/window_messages.hpp"
#include "wizard/window_win32.hpp"
#include "wizard/wizard_window.hpp"

namespace mivora {
namespace {

// GetProcAddress gives a generic pointer; void (*)() converts to any function type without a warning.
template <typename Function>
Function* system_function(const char* module, const char* name) {
  FARPROC found = GetProcAddress(LoadLibraryA(module), name);
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
}

class Win32ControlSurface final : public ControlSurface {
 public:
  void fill_handle_table() override {
    HWND window = g_wizard.window;
    g_wizard.controls[0] = window;
    for (int i = 1; i < kControlCount; ++i) g_wizard.controls[i] = GetDlgItem(window, kControlIds[i]);
  }

  // Set by the window's own thread (kSetTextRequest), so that the notices
  // of the change are not queued as the user's commands.
  void set_text(Control control, CountedView text) override {
    terminated_copy(text, shared_path_buffer, kPathBufferSize);
    SendMessageA(g_wizard.window, kSetTextRequest, reinterpret_cast<WPARAM>(handle(control)), 0);
  }

  void get_text(Control control, CountedDest text) override {
    shared_path_buffer[0] = '\0';  // a failed GetWindowTextA may leave the buffer as it was
    GetWindowTextA(handle(control), shared_path_buffer, kPathBufferSize);
    counted_copy(shared_path_buffer, text);
  }

  void set_long_text(Control control, const char* text) override {
    // The edit puts its caret at the start and scrolls there: back to the
    // page, the text shows from its first line again.
    SetWindowTextA(handle(control), text);
  }

  void set_checked(Control control, bool checked) override {
    SendMessageA(handle(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  void show(Control control) override { set_style(handle(control), WS_VISIBLE, true); }
  void hide(Control control) override { set_style(handle(control), WS_VISIBLE, false); }
  void enable(Control control) override { set_style(handle(control), WS_DISABLED, false); }
  void disable(Control control) override { set_style(handle(control), WS_DISABLED, true); }

  bool confirm_exit() override {
    return MessageBoxA(g_wizard.window, "Are you sure you want to exit the install package?", "Confirm",
                       MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
  }

  bool browse_for_folder(CountedDest folder) override {
    // shell32 and ole32 are loaded only when the user browses, so that the
    // import table names kernel32 and user32 alone.
    auto* initialize_com = system_function<decltype(CoInitializeEx)>("ole32.dll", "CoInitializeEx");
    auto* free_memory = system_function<decltype(CoTaskMemFree)>("ole32.dll", "CoTaskMemFree");
    auto* browse = system_function<decltype(SHBrowseForFolderA)>("shell32.dll", "SHBrowseForFolderA");
    auto* path_of = system_function<decltype(SHGetPathFromIDListA)>("shell32.dll", "SHGetPathFromIDListA");
    if (!initialize_com || !free_memory || !browse || !path_of) return false;
    initialize_com(nullptr, COINIT_APARTMENTTHREADED);

    char path[MAX_PATH];  // written by the picker and by SHGetPathFromIDListA
    BROWSEINFOA info{};
    info.hwndOwner = g_wizard.window;
    info.pszDisplayName = path;
    info.lpszTitle = "Choose the folder to install to.";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = browse(&info);
    if (chosen == nullptr) return false;
    bool got_path = path_of(chosen, path) != FALSE;
    free_memory(chosen);
    if (!got_path) return false;
    // A path the destination cannot hold whole is not taken.
    counted_copy(path, folder);
    return *folder.length != 0 && path[*folder.length] == '\0';
  }

 private:
  static HWND handle(Control control) { return g_wizard.controls[static_cast<int>(control)]; }

  // ShowWindow and EnableWindow on another thread's window are a round trip
  // to it even when nothing changes (clear page enables three buttons that
  // mostly are); the style, read in place, says whether anything would.
  static void set_style(HWND control, LONG bit, bool on) {
    if (((GetWindowLongA(control, GWL_STYLE) & bit) != 0) == on) return;
    if (bit == WS_VISIBLE)
      ShowWindow(control, on ? SW_SHOW : SW_HIDE);
    else
      EnableWindow(control, !on);
  }
};

constinit Win32ControlSurface g_controls;

}  // namespace

ControlSurface& wizard_controls() { return g_controls; }

}  // namespace mivora
