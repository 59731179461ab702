#include "tools/writer/dialog_brand.hpp"

#include <algorithm>

#include "tools/writer/byte_order.hpp"
#include "tools/writer/shortcut_marks.hpp"
#include "tools/writer/utf16_text.hpp"

namespace mivora::writer {
namespace {

// DLGTEMPLATE, then its variable part.
constexpr std::uint32_t kDialogStyle = 0;
constexpr std::uint32_t kDialogItemCount = 8;
constexpr std::uint32_t kDialogFixedSize = 18;
constexpr std::uint32_t kDsSetFont = 0x40;
// DLGITEMTEMPLATE, then class, text and creation data.
constexpr std::uint32_t kItemId = 16;
constexpr std::uint32_t kItemFixedSize = 18;
// A DLGTEMPLATEEX starts with version 1 and this signature.
constexpr std::uint16_t kExtendedSignature = 0xFFFF;
constexpr std::uint16_t kOrdinalMark = 0xFFFF;
constexpr std::uint16_t kStaticClassOrdinal = 0x0082;
constexpr std::uint16_t kBrandId = 0xFFFF;  // -1

constexpr const char* kWhat = "dialog template 100";

// The offset after a string or ordinal field at `at`; `text` receives a string's characters.
std::size_t skip_field(std::span<const std::uint8_t> bytes, std::size_t at, std::u16string* text = nullptr,
                       std::uint16_t* ordinal = nullptr) {
  std::uint16_t first = get_u16(bytes, at, kWhat);
  if (first == kOrdinalMark) {
    if (ordinal != nullptr) *ordinal = get_u16(bytes, at + 2, kWhat);
    return at + 4;
  }
  std::size_t end = 0;
  std::u16string s = read_utf16z(bytes, at, end, kWhat);
  if (text != nullptr) *text = std::move(s);
  return end;
}

struct Item {
  std::size_t start = 0;
  std::size_t text = 0;      // its text field
  std::size_t text_end = 0;  // the creation data that follows
  std::size_t end = 0;
  bool is_brand = false;
};

struct Layout {
  std::size_t header_end = 0;
  std::vector<Item> items;
  std::size_t brand = 0;  // index into items
};

bool is_static_class(const std::u16string& name, std::uint16_t ordinal) {
  if (name.empty()) return ordinal == kStaticClassOrdinal;
  std::u16string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; });
  return upper == u"STATIC";
}

Layout lay_out(std::span<const std::uint8_t> dialog) {
  if (get_u16(dialog, 0, kWhat) == 1 && get_u16(dialog, 2, kWhat) == kExtendedSignature)
    throw InputError("dialog template 100 is an extended template (DIALOGEX); the brand is written into classic "
                     "templates only");
  std::uint32_t style = get_u32(dialog, kDialogStyle, kWhat);
  std::uint16_t count = get_u16(dialog, kDialogItemCount, kWhat);
  std::size_t at = skip_field(dialog, kDialogFixedSize);  // menu
  at = skip_field(dialog, at);                            // class
  at = skip_field(dialog, at);                            // caption
  if (style & kDsSetFont) at = skip_field(dialog, at + 2);
  Layout layout;
  layout.header_end = at;
  bool found = false;
  for (std::uint16_t i = 0; i < count; ++i) {
    Item item;
    item.start = align_up(at, 4);
    std::u16string class_name;
    std::uint16_t class_ordinal = 0;
    std::size_t class_end = skip_field(dialog, item.start + kItemFixedSize, &class_name, &class_ordinal);
    item.text = class_end;
    item.text_end = skip_field(dialog, item.text);
    std::uint16_t data_size = get_u16(dialog, item.text_end, kWhat);
    item.end = item.text_end + 2 + data_size;
    require_inside(dialog, item.start, item.end - item.start, kWhat);
    if (!found && get_u16(dialog, item.start + kItemId, kWhat) == kBrandId &&
        is_static_class(class_name, class_ordinal)) {
      item.is_brand = true;
      layout.brand = layout.items.size();
      found = true;
    }
    layout.items.push_back(item);
    at = item.end;
  }
  if (!found) throw InputError("dialog template 100 has no static line with id -1 to carry the brand");
  return layout;
}

}  // namespace

void check_brand(std::string_view brand) {
  std::u16string shown = utf16_from_utf8(brand);
  if (std::any_of(shown.begin(), shown.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; }))
    throw InputError("the brand is one line: it cannot hold control characters such as a line break");
  std::size_t characters = character_count(shown);
  if (characters > kBrandLimit)
    throw InputError("the brand has " + std::to_string(characters) + " characters; the line shows at most " +
                     std::to_string(kBrandLimit));
}

std::vector<std::uint8_t> rebrand_dialog(std::span<const std::uint8_t> dialog, std::string_view brand) {
  check_brand(brand);
  std::u16string stored = with_marks_doubled<char16_t>(utf16_from_utf8(brand));

  Layout layout = lay_out(dialog);
  std::vector<std::uint8_t> out(dialog.begin(), dialog.begin() + static_cast<std::ptrdiff_t>(layout.header_end));
  auto copy = [&](std::size_t from, std::size_t to) {
    out.insert(out.end(), dialog.begin() + static_cast<std::ptrdiff_t>(from),
               dialog.begin() + static_cast<std::ptrdiff_t>(to));
  };
  for (const Item& item : layout.items) {
    out.resize(align_up(out.size(), 4), 0);
    if (!item.is_brand) {
      copy(item.start, item.end);
      continue;
    }
    copy(item.start, item.text);
    append_utf16(out, stored, true);
    copy(item.text_end, item.end);
  }
  return out;
}

std::string read_brand(std::span<const std::uint8_t> dialog) {
  Layout layout = lay_out(dialog);
  std::u16string stored;
  std::uint16_t ordinal = 0;
  skip_field(dialog, layout.items[layout.brand].text, &stored, &ordinal);
  return utf8_from_utf16(with_marks_undoubled<char16_t>(stored, u""));
}

}  // namespace mivora::writer
