#include "interpreter/file_group.hpp"

namespace mivora {

constinit FileTables g_file_tables{};

}  // namespace mivora
