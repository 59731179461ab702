#pragma once
// The page presentation operations the script uses on the wizard window:
// clear page, the Finish state and the error state. Portable: the window is
// reached through a ControlSurface and the user's answers through ScriptInput.
// Each state that ends the script says how it ended instead of ending the
// thread itself.
#include <initializer_list>

#include "interpreter/script_input.hpp"
#include "support/counted_string.hpp"
#include "support/format_text.hpp"
#include "interpreter/control_surface.hpp"

namespace mivora {

inline constexpr CountedView kFinishLabel = literal("Finish");
// The closing text of the error state: a space, then a real line feed.
inline constexpr CountedView kErrorNotice = literal("An error occurred. \nClick 'Finish' to close.");
inline constexpr std::uint8_t kMaxMessageLength = 127;

// Hides the page controls in table order, then enables Next, Back and Cancel.
// Texts stay in the hidden controls.
void clear_page(ControlSurface& controls);

// Shows the closing text in 210, greys Back and Cancel, relabels Next as
// "Finish" and takes commands until it is pressed; "Finish" ends the script
// with `exit_code`. Does not clear the page.
[[nodiscard]] ScriptEnd enter_finish_state(ControlSurface& controls, ScriptInput& input, CountedView closing_text,
                                           std::uint32_t exit_code = kExitSuccess);

// Clears the page, shows the message in 211, then the Finish state with the
// error notice; "Finish" ends the script with kExitInstallFailed.
[[nodiscard]] ScriptEnd report_error(ControlSurface& controls, ScriptInput& input, CountedView message);

// The message is formatted into a buffer of kMaxMessageLength characters first.
[[nodiscard]] ScriptEnd report_formatted_error(ControlSurface& controls, ScriptInput& input, CountedView format,
                                               std::initializer_list<FormatArg> args);

}  // namespace mivora
