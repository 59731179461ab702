#pragma once
// The one buffer in which counted strings become NUL-terminated names for
// the system and in which texts from the system arrive: 255 characters and
// the NUL. Only the script thread uses it once the script runs.
#include <cstddef>

namespace mivora {

inline constexpr std::size_t kPathBufferSize = 256;
extern char shared_path_buffer[kPathBufferSize];

}  // namespace mivora
