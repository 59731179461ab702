#pragma once
// The brand: the line at the foot of the wizard window (the static control
// with id -1 in dialog template 100) that names the product, "Mivora 0.1"
// in the stub. A classic dialog template, as the stub's resource compiler
// writes it:
//
//   header   style u32, extended style u32, item count u16, x, y, cx, cy i16,
//            menu, class (each a string or 0xFFFF and an ordinal), caption;
//            with DS_SETFONT a point size u16 and a typeface
//   items    each at a 4-byte boundary: style u32, extended style u32,
//            x, y, cx, cy i16, id u16, class and text (string or ordinal),
//            creation data (a u16 byte count, then the bytes)
//
// Strings are UTF-16 and NUL-terminated. Changing the one text moves every
// later item, and each is laid at its 4-byte boundary again.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mivora::writer {

inline constexpr std::uint32_t kRtDialog = 5;
inline constexpr std::uint32_t kWizardDialogId = 100;

// The characters the line shows whole. It is 204 dialog units wide in the
// system font, and a dialog unit is a quarter of the font's average letter,
// so 51 letters of ordinary mixed text fill it; capitals are wider. Measured
// under Wine (the line is 459 pixels there): 47 capitals, A to Z in turn,
// take 452 pixels and 48 take 462. So any brand of 47 characters shows
// whole unless it is crowded with the widest letters (W, M).
inline constexpr std::size_t kBrandLimit = 47;

// Throws InputError when the line cannot show `brand` (UTF-8): longer than
// kBrandLimit characters, holding control characters (it is one line), or
// not UTF-8.
void check_brand(std::string_view brand);

// Template `dialog` with the brand line showing `brand` (UTF-8): shown as
// written, so an "&" is stored doubled rather than underlining the next
// letter. Throws InputError when check_brand refuses the brand, or when the
// template is extended (DIALOGEX), malformed or has no brand line.
[[nodiscard]] std::vector<std::uint8_t> rebrand_dialog(std::span<const std::uint8_t> dialog, std::string_view brand);

// The brand line's text as it shows (UTF-8). Throws InputError as above.
[[nodiscard]] std::string read_brand(std::span<const std::uint8_t> dialog);

}  // namespace mivora::writer
