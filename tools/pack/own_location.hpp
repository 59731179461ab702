#pragma once
// Where the running mivora-pack lies, found from the system rather than
// from how it was started, so that a tool on the PATH still finds its stub.
#include <filesystem>

namespace mivora::pack {

// The folder of the tool's own executable; `argv0` is the fallback where the
// system cannot say.
[[nodiscard]] std::filesystem::path own_folder(const char* argv0);

}  // namespace mivora::pack
