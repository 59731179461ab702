#include "support/path_buffer.hpp"

namespace mivora {

char shared_path_buffer[kPathBufferSize];

}  // namespace mivora
