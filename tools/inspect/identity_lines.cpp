#include "tools/inspect/identity_lines.hpp"

#include <optional>

#include "tools/inspect/package_dump.hpp"
#include "tools/script/identity_commands.hpp"

namespace mivora::inspect {

using script::IdentityWord;

std::vector<std::string> identity_lines(const writer::IdentityReadBack& identity) {
  const std::optional<writer::VersionInfo>& version = identity.version;
  std::vector<std::string> lines;
  for (const script::IdentityWordInfo& info : script::kIdentityWords) {
    std::optional<std::string> argument;
    if (info.word == IdentityWord::kIcon && identity.icon_file) argument = utf8_literal(kExtractedIconName);
    if (info.word == IdentityWord::kVersion && version && version->version)
      argument = utf8_literal(version->version->text());
    if (auto field = script::version_text_field(info.word); field && version && (*version).*field)
      argument = utf8_literal(*((*version).*field));
    if (info.word == IdentityWord::kElevation && identity.elevation) argument = writer::word_of(*identity.elevation);
    if (info.word == IdentityWord::kBrand && identity.brand) argument = utf8_literal(*identity.brand);
    if (argument) lines.push_back(std::string(info.text) + " " + *argument);
  }
  return lines;
}

}  // namespace mivora::inspect
