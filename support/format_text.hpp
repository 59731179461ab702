#pragma once
// Number conversions and the %-directive formatter.
//
// A directive is "%", then an optional "+", "-" and "0" in that order, any
// run of decimal digits, and one letter: U (decimal), S (signed decimal),
// X (hex, 2 x width digits) or $ (a counted string). U, S and X take exactly
// one more character, the width digit. "%%" is a literal percent sign.
// Flags other than "+" and widths other than X's have no effect.
#include <cstdint>
#include <initializer_list>

#include "support/counted_string.hpp"

namespace mivora {

// One argument of a directive: a 32-bit number (U, S, X) or a counted string ($).
struct FormatArg {
  std::uint32_t number = 0;
  CountedView text{};

  constexpr FormatArg(std::uint32_t n) : number(n) {}  // NOLINT(google-explicit-constructor)
  constexpr FormatArg(std::int32_t n)                  // NOLINT(google-explicit-constructor)
      : number(static_cast<std::uint32_t>(n)) {}
  constexpr FormatArg(CountedView s) : text(s) {}  // NOLINT(google-explicit-constructor)
};

// Each conversion returns a counted string in the one static number buffer;
// it stays valid until the next conversion.
[[nodiscard]] CountedView decimal_text(std::uint32_t value);
[[nodiscard]] CountedView signed_decimal_text(std::int32_t value, char sign_for_non_negative);
// Exactly `digits` (0..18) uppercase hex digits, the value shifted
// arithmetically so that digits past the eighth repeat the sign.
[[nodiscard]] CountedView hex_text(std::uint32_t value, unsigned digits);

// d is emptied, then receives the expansion of format. Each directive takes
// the next argument; a missing argument counts as 0 or the empty string.
void format_text(CountedView format, CountedDest d, const FormatArg* args, std::size_t arg_count);

inline void format_text(CountedView format, CountedDest d, std::initializer_list<FormatArg> args) {
  format_text(format, d, args.begin(), args.size());
}

}  // namespace mivora
