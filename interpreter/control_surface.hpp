#pragma once
// What the script does to the wizard window's controls. The Win32 body
// (control_surface_win32.cpp) calls the window functions on the handles of
// the control handle table; tests use a scripted wizard.
#include "support/counted_string.hpp"
#include "interpreter/controls.hpp"

namespace mivora {

class ControlSurface {
 public:
  // Looks up the handles of the window and its fourteen numbered controls.
  virtual void fill_handle_table() = 0;
  // The text may be the wizard window's caption (Control::kWindow).
  virtual void set_text(Control control, CountedView text) = 0;
  // At most 255 characters, cut further at the destination's capacity.
  virtual void get_text(Control control, CountedDest text) = 0;
  // A zero-terminated text of any length, used in place (a license text
  // from the package); an edit shows a new text from its first line.
  virtual void set_long_text(Control control, const char* text) = 0;
  // Checks or clears a radio button; the others of its group stay as they are.
  virtual void set_checked(Control control, bool checked) = 0;
  virtual void show(Control control) = 0;
  virtual void hide(Control control) = 0;
  virtual void enable(Control control) = 0;
  virtual void disable(Control control) = 0;
  // "Are you sure you want to exit the install package?" with the caption
  // "Confirm", Yes and No, owned by the wizard window. True for Yes only.
  virtual bool confirm_exit() = 0;
  // A folder picker owned by the wizard window. True and the chosen folder
  // in `folder` when the user picked one that fits; false otherwise.
  virtual bool browse_for_folder(CountedDest folder) = 0;

 protected:
  ~ControlSurface() = default;
};

}  // namespace mivora
