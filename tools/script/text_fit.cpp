#include "tools/script/text_fit.hpp"

namespace mivora::script {
namespace {

using format::Command;

// The page texts' statics are 162 x 20 dialog units. A dialog unit is a
// quarter of the dialog font's average letter (A-Z, a-z) across and an
// eighth of its height down: a line is 40.5 average letters wide, and the
// static shows two lines (a third is cut through its middle). Running text,
// with its spaces and small letters, is narrower than the average letter:
// about 45 of its characters fill a line (under Wine the demo's licence
// line breaks after 42 characters, before a six-letter word).
constexpr std::size_t kPageLineCharacters = 45;
constexpr std::size_t kPageLines = 2;

// The window is 215 dialog units wide, about 430 pixels at 96 DPI; its icon,
// close button and frame leave some 340 for the caption, whose font averages
// about 7 pixels a character.
constexpr std::size_t kCaptionCharacters = 45;

struct Layout {
  std::size_t lines = 0;
  std::size_t characters_shown = 0;  // on the lines that show
};

// The text broken as a static breaks it: at line breaks, and between words
// when the next word would pass the line's end; a word longer than a line is
// broken inside.
Layout lay_out(std::string_view text) {
  Layout layout{1, text.size()};
  std::size_t column = 0;
  auto new_line = [&](std::size_t at) {
    if (++layout.lines == kPageLines + 1) layout.characters_shown = at;
    column = 0;
  };
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '\n') {
      new_line(i++);
      continue;
    }
    std::size_t end = text.find_first_of(" \n", i);
    if (end == std::string_view::npos) end = text.size();
    std::size_t word = end - i;
    if (word > 0 && column > 0 && column + word > kPageLineCharacters) new_line(i);
    while (word > kPageLineCharacters - column) {  // a word wider than a line
      i += kPageLineCharacters - column;
      word -= kPageLineCharacters - column;
      new_line(i);
    }
    column += word;
    i = end;
    // The space after a word stays on its line, even where it passes the end.
    if (i < text.size() && text[i] == ' ') {
      ++column;
      ++i;
    }
  }
  return layout;
}

std::optional<std::string> page_text_warning(std::string_view text) {
  Layout layout = lay_out(text);
  if (layout.lines <= kPageLines) return std::nullopt;
  return "the text takes " + std::to_string(layout.lines) + " lines, and the page shows " +
         std::to_string(kPageLines) + " of about " + std::to_string(kPageLineCharacters) +
         " characters: its first " + std::to_string(layout.characters_shown) + " of " + std::to_string(text.size()) +
         " characters fit";
}

}  // namespace

std::optional<std::string> text_fit_warning(Command command, std::string_view shown) {
  switch (command) {
    case Command::kName:
      if (shown.size() <= kCaptionCharacters) return std::nullopt;
      return "the name has " + std::to_string(shown.size()) + " characters, and the title bar shows about " +
             std::to_string(kCaptionCharacters) + ": the rest is cut";
    case Command::kText:
    case Command::kText2:
    case Command::kCopy:
    case Command::kDone: return page_text_warning(shown);
    default: return std::nullopt;
  }
}

}  // namespace mivora::script
