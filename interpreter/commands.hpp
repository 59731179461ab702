#pragma once
// The command handlers. Each starts with the script pointer on its first
// argument word, reads exactly its own arguments and says what comes next.
#include "interpreter/interpreter_state.hpp"
#include "package/command_list.hpp"

namespace mivora {

// One handler per command of the list: page flow in commands_page.cpp, the
// destination in commands_destination.cpp, file lists and extraction in
// commands_extract.cpp.
#define MIVORA_DECLARE_HANDLER(id, tag, word, arguments, handler) [[nodiscard]] Step handler(Interpreter& script);
MIVORA_COMMANDS(MIVORA_DECLARE_HANDLER)
#undef MIVORA_DECLARE_HANDLER

// The end marker read as a tag: the script is finished.
[[nodiscard]] Step command_end(Interpreter& script);

}  // namespace mivora
