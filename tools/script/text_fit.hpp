#pragma once
// Whether a text shows whole where the installer puts it: the page texts in
// their two-line statics, the name in the title bar. The limits are
// estimates from the dialog template's sizes, not a measurement of a font.
#include <optional>
#include <string>
#include <string_view>

#include "package/command_list.hpp"

namespace mivora::script {

// The warning for a text of `command` that will not show whole, or nothing.
// `shown` is the text as the user sees it: one byte a character.
[[nodiscard]] std::optional<std::string> text_fit_warning(format::Command command, std::string_view shown);

}  // namespace mivora::script
