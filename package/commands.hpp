#pragma once
// The command handlers. Each starts with the script pointer on its first
// argument word, reads exactly its own arguments and says what comes next.
#include "package/interpreter_state.hpp"

namespace mivora {

// Page flow (commands_page.cpp).
[[nodiscard]] Step command_name(Interpreter& script);
[[nodiscard]] Step command_text(Interpreter& script);
[[nodiscard]] Step command_text2(Interpreter& script);
[[nodiscard]] Step command_page(Interpreter& script);
[[nodiscard]] Step command_done(Interpreter& script);
[[nodiscard]] Step command_group(Interpreter& script);

// Destination (commands_destination.cpp).
[[nodiscard]] Step command_dest(Interpreter& script);

// File lists and extraction (commands_extract.cpp).
[[nodiscard]] Step command_list(Interpreter& script);
[[nodiscard]] Step command_file(Interpreter& script);
[[nodiscard]] Step command_copy(Interpreter& script);

// The end marker read as a tag: the script is finished.
[[nodiscard]] Step command_end(Interpreter& script);

}  // namespace mivora
