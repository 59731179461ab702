#include "support/counted_string.hpp"

namespace mivora {

void clear(CountedDest d) { *d.length = 0; }

void append_char(CountedDest d, char c) {
  if (*d.length >= d.capacity) return;
  d.chars[*d.length] = c;
  *d.length = static_cast<std::uint8_t>(*d.length + 1);
}

void append_string(CountedDest d, CountedView s) {
  for (std::size_t i = 0; i < s.length; ++i) append_char(d, s.chars[i]);
}

void copy_string(CountedView s, CountedDest d) {
  clear(d);
  append_string(d, s);
}

void terminated_copy(CountedView s, char* buffer, std::size_t buffer_size) {
  if (buffer_size == 0) return;
  std::size_t n = s.length < buffer_size - 1 ? s.length : buffer_size - 1;
  for (std::size_t i = 0; i < n; ++i) buffer[i] = s.chars[i];
  buffer[n] = '\0';
}

void counted_copy(const char* text, CountedDest d) {
  clear(d);
  for (; *text != '\0' && *d.length < d.capacity; ++text) append_char(d, *text);
}

bool equal(CountedView a, CountedView b) {
  if (a.length != b.length) return false;
  for (std::size_t i = 0; i < a.length; ++i)
    if (a.chars[i] != b.chars[i]) return false;
  return true;
}

}  // namespace mivora
