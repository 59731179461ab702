#pragma once
// Messages as the user's terminal shows them. Inside the tool every message
// is UTF-8 (paths, and package names converted from their code page); only
// on its way out does it take the encoding of where it goes.
#include <cstdint>
#include <string>
#include <string_view>

namespace mivora::pack {

enum class Stream : std::uint8_t { kOutput, kErrors };

// `utf8` in the encoding of the terminal that `stream` goes to; a character
// that encoding lacks becomes '?'.
[[nodiscard]] std::string for_terminal(std::string_view utf8, Stream stream = Stream::kErrors);

}  // namespace mivora::pack
