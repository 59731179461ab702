#include "tools/writer/app_manifest.hpp"

#include <iterator>

namespace mivora::writer {
namespace {

struct Level {
  Elevation elevation;
  const char* word;
  const char* level;  // requestedExecutionLevel's level attribute
};
constexpr Level kLevels[] = {
    {Elevation::admin, "admin", "requireAdministrator"},
    {Elevation::highest, "highest", "highestAvailable"},
    {Elevation::user, "user", "asInvoker"},
};
static_assert(std::size(kLevels) == 3);

const Level& level_of(Elevation elevation) {
  for (const Level& l : kLevels)
    if (l.elevation == elevation) return l;
  return kLevels[0];
}

constexpr const char kBeforeLevel[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n"
    "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
    "    <security>\r\n"
    "      <requestedPrivileges>\r\n"
    "        <requestedExecutionLevel level=\"";
// The compatibility ids: Vista, 7, 8, 8.1, and 10 (which 11 shares).
constexpr const char kAfterLevel[] =
    "\" uiAccess=\"false\"/>\r\n"
    "      </requestedPrivileges>\r\n"
    "    </security>\r\n"
    "  </trustInfo>\r\n"
    "  <compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">\r\n"
    "    <application>\r\n"
    "      <supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>\r\n"
    "      <supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>\r\n"
    "      <supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>\r\n"
    "      <supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>\r\n"
    "      <supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>\r\n"
    "    </application>\r\n"
    "  </compatibility>\r\n"
    "  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
    "    <windowsSettings>\r\n"
    "      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>\r\n"
    "    </windowsSettings>\r\n"
    "  </application>\r\n"
    "</assembly>\r\n";

}  // namespace

std::optional<Elevation> elevation_from_word(std::string_view word) {
  for (const Level& l : kLevels)
    if (word == l.word) return l.elevation;
  return std::nullopt;
}

const char* word_of(Elevation elevation) { return level_of(elevation).word; }

std::string build_manifest(Elevation elevation) {
  return std::string(kBeforeLevel) + level_of(elevation).level + kAfterLevel;
}

std::optional<Elevation> read_manifest_elevation(std::span<const std::uint8_t> manifest) {
  std::string_view text(reinterpret_cast<const char*>(manifest.data()), manifest.size());
  std::size_t element = text.find("<requestedExecutionLevel");
  if (element == std::string_view::npos) return std::nullopt;
  std::string_view rest = text.substr(element, text.find('>', element) - element);
  // level = "..." with any spaces XML allows around the "=".
  for (std::size_t at = rest.find("level"); at != std::string_view::npos; at = rest.find("level", at + 1)) {
    if (at == 0 || rest[at - 1] > ' ') continue;
    std::size_t i = rest.find_first_not_of(" \t\r\n", at + 5);
    if (i == std::string_view::npos || rest[i] != '=') continue;
    i = rest.find_first_not_of(" \t\r\n", i + 1);
    if (i == std::string_view::npos || (rest[i] != '"' && rest[i] != '\'')) return std::nullopt;
    std::size_t end = rest.find(rest[i], i + 1);
    if (end == std::string_view::npos) return std::nullopt;
    std::string_view level = rest.substr(i + 1, end - i - 1);
    for (const Level& l : kLevels)
      if (level == l.level) return l.elevation;
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace mivora::writer
