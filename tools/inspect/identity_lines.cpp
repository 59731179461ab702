#include "tools/inspect/identity_lines.hpp"

#include <optional>

#include "tools/script/identity_commands.hpp"

namespace mivora::inspect {
namespace {

using script::IdentityWord;

// A quoted script string of UTF-8 text, which these words take as it is.
std::string unicode_literal(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::vector<std::string> identity_lines(const writer::IdentityReadBack& identity) {
  const std::optional<writer::VersionInfo>& version = identity.version;
  std::vector<std::string> lines;
  for (const script::IdentityWordInfo& info : script::kIdentityWords) {
    std::optional<std::string> argument;
    if (info.word == IdentityWord::kIcon && identity.icon_file) argument = unicode_literal(kExtractedIconName);
    if (info.word == IdentityWord::kVersion && version && version->version)
      argument = unicode_literal(version->version->text());
    if (auto field = script::version_text_field(info.word); field && version && (*version).*field)
      argument = unicode_literal(*((*version).*field));
    if (info.word == IdentityWord::kElevation && identity.elevation) argument = writer::word_of(*identity.elevation);
    if (info.word == IdentityWord::kBrand && identity.brand) argument = unicode_literal(*identity.brand);
    if (argument) lines.push_back(std::string(info.text) + " " + *argument);
  }
  return lines;
}

}  // namespace mivora::inspect
