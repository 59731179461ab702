#pragma once
// A static control reads "&" as the mark of a keyboard shortcut: "&x" shows
// an underlined x and no "&", and "&&" shows one "&". A text meant to show
// as written is stored with every "&" doubled. For UTF-8, UTF-16 and the
// ANSI code page alike, since "&" is one unit in each.
#include <cstddef>
#include <string>
#include <string_view>

namespace mivora::writer {

// `shown` as it is stored to show as written: every "&" doubled.
template <typename Char>
[[nodiscard]] std::basic_string<Char> with_marks_doubled(std::basic_string_view<Char> shown) {
  std::basic_string<Char> stored;
  for (Char c : shown) stored.append(c == Char('&') ? 2 : 1, c);
  return stored;
}

// `stored` read as the control reads it, from the left: each "&&" gives one
// "&", and each lone "&", a mark, gives `lone_mark` (nothing, as it shows,
// or an escape that keeps it).
template <typename Char>
[[nodiscard]] std::basic_string<Char> with_marks_undoubled(std::basic_string_view<Char> stored,
                                                           std::basic_string_view<Char> lone_mark) {
  std::basic_string<Char> shown;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    if (stored[i] != Char('&')) {
      shown += stored[i];
    } else if (i + 1 < stored.size() && stored[i + 1] == Char('&')) {
      shown += stored[i++];
    } else {
      shown += lone_mark;
    }
  }
  return shown;
}

}  // namespace mivora::writer
