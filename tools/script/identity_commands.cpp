#include "tools/script/identity_commands.hpp"

#include <algorithm>

#include "tools/script/code_page.hpp"
#include "tools/script/script_lexer.hpp"
#include "tools/script/script_text.hpp"
#include "tools/script/source_probe.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/dialog_brand.hpp"
#include "tools/writer/whole_file.hpp"
#include "tools/writer/windows_names.hpp"

namespace mivora::script {
namespace {

namespace fs = std::filesystem;

bool is_control(char32_t c) { return c < 0x20 || c == 0x7F; }

bool is_separator(char c) { return c == '\\' || c == '/'; }

}  // namespace

const char* text_of(IdentityWord word) { return kIdentityWords[static_cast<std::size_t>(word)].text; }

std::optional<std::string> writer::VersionInfo::*version_text_field(IdentityWord word) {
  switch (word) {
    case IdentityWord::kProduct: return &writer::VersionInfo::product;
    case IdentityWord::kCompany: return &writer::VersionInfo::company;
    case IdentityWord::kDescription: return &writer::VersionInfo::description;
    case IdentityWord::kCopyright: return &writer::VersionInfo::copyright;
    case IdentityWord::kFilename: return &writer::VersionInfo::original_filename;
    default: return nullptr;
  }
}

std::optional<IdentityWord> identity_word(std::string_view text) {
  for (const IdentityWordInfo& info : kIdentityWords)
    if (text == info.text) return info.word;
  return std::nullopt;
}

void IdentityCommands::compile(IdentityWord word, Arguments& a, std::uint64_t line) {
  std::optional<std::uint64_t>& seen = lines_[static_cast<std::size_t>(word)];
  if (seen)
    throw LineError{"'" + std::string(text_of(word)) + "' is given twice, at line " + std::to_string(*seen) +
                    " and here; an installer has one"};
  seen = line;
  switch (word) {
    case IdentityWord::kIcon: return icon(a);
    case IdentityWord::kVersion: return version(a);
    case IdentityWord::kElevation: return elevation(a);
    case IdentityWord::kBrand: return brand(a);
    default: return version_text(word, a);
  }
}

std::optional<std::uint64_t> IdentityCommands::first_line() const {
  std::optional<std::uint64_t> first;
  for (const std::optional<std::uint64_t>& line : lines_)
    if (line && (!first || *line < *first)) first = line;
  return first;
}

std::optional<std::uint64_t> IdentityCommands::last_version_line() const {
  std::optional<std::uint64_t> last;
  for (IdentityWord word : {IdentityWord::kVersion, IdentityWord::kProduct, IdentityWord::kCompany,
                            IdentityWord::kDescription, IdentityWord::kCopyright, IdentityWord::kFilename})
    if (std::optional<std::uint64_t> line = line_of(word); line && (!last || *line > *last)) last = line;
  return last;
}

writer::InstallerIdentity IdentityCommands::identity(const std::string& installer_name) const {
  writer::InstallerIdentity identity = identity_;
  if (!identity.elevation) identity.elevation = writer::Elevation::admin;
  if (last_version_line()) {
    identity.version = version_;
    identity.version->code_page = static_cast<std::uint16_t>(code_page_);
    if (!identity.version->original_filename) identity.version->original_filename = installer_name;
  }
  return identity;
}

void IdentityCommands::icon(Arguments& a) {
  fs::path source = source_path(a.string("the icon file (.ico)"));
  a.finish();
  fs::path full = base_ / source;
  const std::string shown = shown_path(source) + ": ";
  SourceEntry entry = probe_source(full);
  if (entry.kind == SourceKind::kFolder) throw LineError{shown + "is a folder, not an icon file"};
  if (entry.kind == SourceKind::kUnusable) throw LineError{shown + entry.problem};
  if (entry.size == 0) throw LineError{shown + "is empty, not an icon file"};
  if (entry.size > kMaxIconFileSize)
    throw LineError{shown + "is " + std::to_string(entry.size) + " bytes; an icon file of more than 16 MiB is refused"};
  std::optional<std::vector<std::uint8_t>> bytes = writer::read_whole_file(full);
  if (!bytes) throw LineError{shown + "cannot be read"};
  try {
    identity_.icon = writer::parse_icon_file(*bytes);
  } catch (const writer::InputError& e) {
    throw LineError{shown + e.what()};
  }
  icon_source_ = full;
}

void IdentityCommands::version(Arguments& a) {
  std::u32string text = a.string("the version, such as \"1.2.3.4\",");
  a.finish();
  std::string utf8;
  for (char32_t c : text) utf8 += c < kRawByteBase ? to_utf8(c) : byte_escape(static_cast<std::uint8_t>(c - kRawByteBase));
  try {
    version_.version = writer::parse_version_number(utf8);
  } catch (const writer::InputError& e) {
    throw LineError{e.what()};
  }
}

// The version texts are stored as Unicode, so any character goes; a byte
// written as \xNN has no character without a code page.
void IdentityCommands::version_text(IdentityWord word, Arguments& a) {
  const std::string name = text_of(word);
  std::u32string text = a.string("its text");
  a.finish();
  std::string utf8;
  for (char32_t c : text) {
    if (c >= kRawByteBase)
      throw LineError{"'" + name + "' is stored as Unicode: write the character itself, not " +
                      byte_escape(static_cast<std::uint8_t>(c - kRawByteBase))};
    if (is_control(c)) throw LineError{"'" + name + "' is one line: it cannot hold control characters such as \\n"};
    if (word == IdentityWord::kFilename && c < 0x80 && is_separator(static_cast<char>(c)))
      throw LineError{"'filename' is a file name alone, such as \"setup.exe\": no folder"};
    utf8 += to_utf8(c);
  }
  version_.*version_text_field(word) = std::move(utf8);
}

void IdentityCommands::elevation(Arguments& a) {
  std::string word = a.word("admin, highest or user");
  a.finish();
  std::optional<writer::Elevation> elevation = writer::elevation_from_word(word);
  if (!elevation) throw LineError{"unknown elevation '" + word + "' (admin, highest, user)"};
  identity_.elevation = elevation;
}

// The brand must be in the package's code page, as every text on a page is.
void IdentityCommands::brand(Arguments& a) {
  std::u32string text = a.string("its text");
  a.finish();
  std::string utf8;
  for (char b : ansi_bytes(text, code_page_)) {
    std::optional<char32_t> c = from_ansi(static_cast<std::uint8_t>(b), code_page_);
    if (!c)
      throw LineError{byte_escape(static_cast<std::uint8_t>(b)) + " is no character in code page " +
                      std::to_string(code_page_) + ", and the brand shows characters"};
    utf8 += to_utf8(*c);
  }
  try {
    writer::check_brand(utf8);
  } catch (const writer::InputError& e) {
    throw LineError{e.what()};
  }
  identity_.brand = std::move(utf8);
}

std::optional<std::string> folder_needing_elevation(std::string_view destination) {
  std::string_view rest = destination;
  if (rest.size() >= 2 && rest[1] == ':' && ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z')))
    rest.remove_prefix(2);
  if (rest.empty() || !is_separator(rest[0])) return std::nullopt;  // relative: below the current folder
  rest.remove_prefix(1);
  std::string_view top = rest.substr(0, rest.find_first_of("\\/"));
  for (const char* folder : {"Program Files", "Program Files (x86)", "Windows"})
    if (writer::name_key(top) == writer::name_key(folder)) return std::string(folder);
  return std::nullopt;
}

}  // namespace mivora::script
