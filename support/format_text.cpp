#include "support/format_text.hpp"

namespace mivora {
namespace {

// Results are placed from the right end leftward; the length byte goes in front.
constexpr std::size_t kNumberBufferSize = 32;
char number_buffer[kNumberBufferSize];

class NumberWriter {
 public:
  void prepend(char c) { number_buffer[--position_] = c; }
  [[nodiscard]] CountedView finish() const {
    return CountedView{number_buffer + position_,
                       static_cast<std::uint8_t>(kNumberBufferSize - position_)};
  }

 private:
  std::size_t position_ = kNumberBufferSize;
};

void prepend_decimal_digits(NumberWriter& out, std::uint32_t value) {
  do {
    out.prepend(static_cast<char>('0' + value % 10));
    value /= 10;
  } while (value != 0);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads one directive from format starting at `at` (just after "%"); appends
// its conversion to d and returns the position after the directive.
std::size_t expand_directive(CountedView format, std::size_t at, CountedDest d, FormatArg arg) {
  auto current = [&]() -> char { return at < format.length ? format[at] : '\0'; };
  char sign = ' ';
  if (current() == '+') sign = '+', ++at;
  if (current() == '-') ++at;
  if (current() == '0') ++at;
  while (is_digit(current())) ++at;
  if (at >= format.length) return at;  // ends inside the directive: nothing appended
  char letter = format[at++];
  if (letter == '$') {
    append_string(d, arg.text);
    return at;
  }
  if (letter != 'U' && letter != 'S' && letter != 'X') return at;  // unknown letter: nothing appended
  char width = current();
  if (at < format.length) ++at;
  if (letter == 'U') {
    append_string(d, decimal_text(arg.number));
  } else if (letter == 'S') {
    append_string(d, signed_decimal_text(static_cast<std::int32_t>(arg.number), sign));
  } else if (is_digit(width)) {
    append_string(d, hex_text(arg.number, 2u * static_cast<unsigned>(width - '0')));
  }
  return at;
}

}  // namespace

CountedView decimal_text(std::uint32_t value) {
  NumberWriter out;
  prepend_decimal_digits(out, value);
  return out.finish();
}

CountedView signed_decimal_text(std::int32_t value, char sign_for_non_negative) {
  NumberWriter out;
  // The magnitude is taken unsigned, so -2147483648 has its true digits.
  std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  prepend_decimal_digits(out, magnitude);
  out.prepend(value < 0 ? '-' : sign_for_non_negative);
  return out.finish();
}

CountedView hex_text(std::uint32_t value, unsigned digits) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  if (digits > 18) digits = 18;
  NumberWriter out;
  auto shifted = static_cast<std::int32_t>(value);
  for (unsigned i = 0; i < digits; ++i) {
    out.prepend(kHexDigits[static_cast<std::uint32_t>(shifted) & 0xF]);
    shifted >>= 4;  // arithmetic: the sign bit fills the vacated bits
  }
  return out.finish();
}

void format_text(CountedView format, CountedDest d, const FormatArg* args, std::size_t arg_count) {
  clear(d);
  std::size_t next_arg = 0;
  std::size_t at = 0;
  while (at < format.length) {
    char c = format[at++];
    if (c != '%') {
      append_char(d, c);
      continue;
    }
    if (at < format.length && format[at] == '%') {
      append_char(d, '%');
      ++at;
      continue;
    }
    FormatArg arg = next_arg < arg_count ? args[next_arg] : FormatArg(0u);
    ++next_arg;
    at = expand_directive(format, at, d, arg);
  }
}

}  // namespace mivora
