#pragma once
// An installer's identity as the script lines that give it, for dump. They
// come before the first page. Dump names the icon and the brand even when
// they are the stub's own: given again they leave the bytes as they were,
// so the dumped script, with the icon written beside it, builds the same
// installer from the same stub.
#include <string>
#include <vector>

#include "tools/writer/installer_identity.hpp"

namespace mivora::inspect {

// The icon's file beside the dumped script, apart from the extracted files.
inline constexpr const char* kExtractedIconName = "icon.ico";

// `icon` (as kExtractedIconName), `version` and the version texts, `elevation`
// and `brand`, each when the installer has it, in the order of the script's words.
[[nodiscard]] std::vector<std::string> identity_lines(const writer::IdentityReadBack& identity);

}  // namespace mivora::inspect
