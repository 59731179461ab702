#include "tools/writer/version_info.hpp"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "tools/writer/byte_order.hpp"
#include "tools/writer/utf16_text.hpp"

namespace mivora::writer {
namespace {

constexpr std::uint32_t kBlockLength = 0;
constexpr std::uint32_t kBlockValueLength = 2;
constexpr std::uint32_t kBlockType = 4;
constexpr std::uint32_t kBlockKey = 6;
constexpr std::uint16_t kBinary = 0;
constexpr std::uint16_t kText = 1;
constexpr std::uint32_t kMaxBlockLength = 0xFFFF;

// VS_FIXEDFILEINFO.
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedStructVersion = 0x00010000;
constexpr std::uint32_t kFixedFlagsMask = 0x3F;
constexpr std::uint32_t kFixedOsNtWindows32 = 0x00040004;
constexpr std::uint32_t kFixedTypeApp = 1;
constexpr std::uint32_t kFixedSize = 52;
constexpr std::uint32_t kFixedFileVersion = 8;  // most significant word pair, then least

constexpr std::uint16_t kLanguageNeutral = 0;

constexpr char16_t kRootKey[] = u"VS_VERSION_INFO";
constexpr char16_t kStringFileInfo[] = u"StringFileInfo";
constexpr char16_t kVarFileInfo[] = u"VarFileInfo";
constexpr char16_t kTranslation[] = u"Translation";
constexpr char16_t kFileVersion[] = u"FileVersion";
constexpr char16_t kProductVersion[] = u"ProductVersion";

struct TextField {
  const char16_t* key;
  std::optional<std::string> VersionInfo::*field;
};
constexpr TextField kTextFields[] = {
    {u"CompanyName", &VersionInfo::company},          {u"FileDescription", &VersionInfo::description},
    {u"LegalCopyright", &VersionInfo::copyright},     {u"OriginalFilename", &VersionInfo::original_filename},
    {u"ProductName", &VersionInfo::product},
};
static_assert(std::size(kTextFields) == 5);

void pad4(std::vector<std::uint8_t>& out) { out.resize(align_up(out.size(), 4), 0); }

std::vector<std::uint8_t> block(std::u16string_view key, std::uint16_t type, std::uint16_t value_length,
                                std::span<const std::uint8_t> value,
                                const std::vector<std::vector<std::uint8_t>>& children) {
  std::vector<std::uint8_t> out;
  append_u16(out, 0);
  append_u16(out, value_length);
  append_u16(out, type);
  append_utf16(out, key, true);
  pad4(out);
  out.insert(out.end(), value.begin(), value.end());
  for (const std::vector<std::uint8_t>& child : children) {
    pad4(out);
    out.insert(out.end(), child.begin(), child.end());
  }
  if (out.size() > kMaxBlockLength)
    throw InputError("the version texts are too long: the version resource would take " +
                     std::to_string(out.size()) + " bytes, at most 65535 fit");
  set_u16(out, kBlockLength, static_cast<std::uint16_t>(out.size()));
  return out;
}

std::vector<std::uint8_t> text_block(std::u16string_view key, const std::u16string& text) {
  std::vector<std::uint8_t> value;
  append_utf16(value, text, true);
  if (text.size() + 1 > kMaxBlockLength) throw InputError("a version text is too long");
  return block(key, kText, static_cast<std::uint16_t>(text.size() + 1), value, {});
}

std::u16string hex_key(std::uint16_t language, std::uint16_t code_page) {
  char buffer[9];
  std::snprintf(buffer, sizeof buffer, "%04X%04X", language, code_page);
  return std::u16string(buffer, buffer + 8);
}

std::vector<std::uint8_t> fixed_info(const VersionNumber& v) {
  std::uint32_t high = std::uint32_t{v.parts[0]} << 16 | v.parts[1];
  std::uint32_t low = std::uint32_t{v.parts[2]} << 16 | v.parts[3];
  std::vector<std::uint8_t> out;
  for (std::uint32_t word : {kFixedSignature, kFixedStructVersion, high, low, high, low, kFixedFlagsMask, 0u,
                             kFixedOsNtWindows32, kFixedTypeApp, 0u, 0u, 0u})
    append_u32(out, word);
  return out;
}

// One block read in place; its children are found by walking from `children`.
struct Block {
  std::u16string key;
  std::uint16_t value_length = 0;
  std::uint16_t type = 0;
  std::size_t value = 0;     // offset of the value
  std::size_t children = 0;  // offset of the first child (after the value, aligned)
  std::size_t end = 0;
};

Block read_block(std::span<const std::uint8_t> bytes, std::size_t at) {
  Block b;
  std::uint16_t length = get_u16(bytes, at + kBlockLength, "a version block");
  if (length < kBlockKey) throw InputError("a version block is shorter than its own header");
  if (!fits(bytes, at, length)) throw InputError("a version block lies outside the resource");
  b.end = at + length;
  b.value_length = get_u16(bytes, at + kBlockValueLength, "a version block");
  b.type = get_u16(bytes, at + kBlockType, "a version block");
  std::size_t key_end = 0;
  b.key = read_utf16z(bytes.first(b.end), at + kBlockKey, key_end, "a version block's key");
  b.value = align_up(key_end, 4);
  std::size_t value_bytes = b.type == kText ? 2u * b.value_length : b.value_length;
  b.children = std::min<std::size_t>(align_up(b.value + value_bytes, 4), b.end);
  return b;
}

std::vector<Block> children_of(std::span<const std::uint8_t> bytes, const Block& parent) {
  std::vector<Block> children;
  for (std::size_t at = parent.children; at + kBlockKey <= parent.end;) {
    children.push_back(read_block(bytes.first(parent.end), at));
    at = align_up(children.back().end, 4);
  }
  return children;
}

std::string text_value(std::span<const std::uint8_t> bytes, const Block& b) {
  if (b.value_length == 0 || b.value >= b.end) return {};
  std::u16string text;
  for (std::size_t at = b.value; at + 2 <= b.end; at += 2) {
    auto c = static_cast<char16_t>(get_u16(bytes, at, "a version text"));
    if (c == 0) break;
    text += c;
  }
  return utf8_from_utf16(text);
}

std::optional<std::uint16_t> hex_code_page(const std::u16string& key) {
  if (key.size() != 8) return std::nullopt;
  std::uint16_t value = 0;
  for (std::size_t i = 4; i < 8; ++i) {
    char16_t c = key[i];
    int digit = c >= u'0' && c <= u'9' ? c - u'0' : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                  : c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = static_cast<std::uint16_t>(value << 4 | digit);
  }
  return value;
}

void read_string_table(std::span<const std::uint8_t> bytes, const Block& table, VersionInfo& info,
                       bool& has_file_version) {
  if (std::optional<std::uint16_t> code_page = hex_code_page(table.key)) info.code_page = *code_page;
  for (const Block& text : children_of(bytes, table)) {
    if (text.key == kFileVersion) has_file_version = true;
    for (const TextField& f : kTextFields)
      if (text.key == f.key) info.*f.field = text_value(bytes, text);
  }
}

}  // namespace

std::string VersionNumber::text() const {
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
         std::to_string(parts[3]);
}

VersionNumber parse_version_number(std::string_view text) {
  auto bad = [&](const std::string& why) {
    return InputError("version \"" + std::string(text) + "\": " + why +
                      " (one to four numbers 0..65535 separated by dots, such as 1.2.3.4)");
  };
  VersionNumber v;
  std::size_t part = 0;
  std::size_t at = 0;
  for (;;) {
    std::size_t end = text.find('.', at);
    std::string_view digits = text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    if (part == v.parts.size()) throw bad("more than four numbers");
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
      throw bad(digits.empty() ? "an empty number" : "\"" + std::string(digits) + "\" is not a number");
    if (digits.size() > 5 || std::stoul(std::string(digits)) > 0xFFFF)
      throw bad(std::string(digits) + " is above 65535");
    v.parts[part++] = static_cast<std::uint16_t>(std::stoul(std::string(digits)));
    if (end == std::string_view::npos) return v;
    at = end + 1;
  }
}

std::vector<std::uint8_t> build_version_resource(const VersionInfo& info) {
  std::vector<std::vector<std::uint8_t>> texts;
  for (const TextField& f : kTextFields)
    if (const std::optional<std::string>& value = info.*f.field) texts.push_back(text_block(f.key, utf16_from_utf8(*value)));
  if (info.version) {
    std::string number = info.version->text();
    std::u16string wide(number.begin(), number.end());
    texts.push_back(text_block(kFileVersion, wide));
    texts.push_back(text_block(kProductVersion, wide));
  }
  std::vector<std::uint8_t> translation;
  append_u16(translation, kLanguageNeutral);
  append_u16(translation, info.code_page);
  std::vector<std::uint8_t> strings =
      block(kStringFileInfo, kText, 0, {}, {block(hex_key(kLanguageNeutral, info.code_page), kText, 0, {}, texts)});
  std::vector<std::uint8_t> vars =
      block(kVarFileInfo, kText, 0, {}, {block(kTranslation, kBinary, 4, translation, {})});
  std::vector<std::uint8_t> fixed = fixed_info(info.version.value_or(VersionNumber{}));
  return block(kRootKey, kBinary, kFixedSize, fixed, {strings, vars});
}

VersionInfo read_version_resource(std::span<const std::uint8_t> resource) {
  Block root = read_block(resource, 0);
  if (root.key != kRootKey) throw InputError("the version resource does not start with VS_VERSION_INFO");
  VersionInfo info;
  VersionNumber fixed;
  if (root.value_length >= kFixedSize && get_u32(resource, root.value, "the fixed file information") ==
                                             kFixedSignature) {
    std::uint32_t high = get_u32(resource, root.value + kFixedFileVersion, "the fixed file information");
    std::uint32_t low = get_u32(resource, root.value + kFixedFileVersion + 4, "the fixed file information");
    fixed.parts = {static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high),
                   static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low)};
  }
  bool has_file_version = false;
  bool seen_table = false;
  for (const Block& child : children_of(resource, root)) {
    if (child.key == kStringFileInfo) {
      for (const Block& table : children_of(resource, child)) {
        if (seen_table) break;
        read_string_table(resource, table, info, has_file_version);
        seen_table = true;
      }
    }
  }
  if (has_file_version || fixed != VersionNumber{}) info.version = fixed;
  return info;
}

}  // namespace mivora::writer
