// POSIX body of the terminal's encoding: the codeset of the user's locale.
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cctype>
#include <cstdlib>
#include <string_view>

#include "tools/pack/terminal_text.hpp"
#include "tools/writer/utf8.hpp"

namespace mivora::pack {
namespace {

// The codeset the user's locale names: LC_ALL, else LC_CTYPE, else LANG,
// as in "de_DE.ISO-8859-1@euro". The tool is linked statically and loads no
// locale data, so the name is what tells; a name without a codeset is asked
// of the C library, which answers only for the locales built into it.
std::string user_codeset() {
  const char* name = nullptr;
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    name = std::getenv(variable);
    if (name != nullptr && *name != '\0') break;
  }
  std::string_view locale = name != nullptr ? name : "";
  std::size_t dot = locale.find('.');
  if (dot != std::string_view::npos) {
    std::size_t modifier = locale.find('@', dot);
    return std::string(locale.substr(dot + 1, modifier == std::string_view::npos ? modifier : modifier - dot - 1));
  }
  locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return {};
  std::string codeset = nl_langinfo_l(CODESET, user);
  freelocale(user);
  return codeset;
}

// UTF-8 goes out as it is, however the locale spells it. So does it under
// the C locale, whose ASCII says nothing of the terminal: it is what a
// program gets when no locale is set.
bool passes_utf8(const std::string& codeset) {
  std::string plain;
  for (char c : codeset)
    if (c != '-' && c != '_') plain += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return plain.empty() || plain == "utf8" || plain == "ansix3.41968" || plain == "usascii" || plain == "ascii";
}

// Each character in the codeset, '?' where it has none. Bytes that are no
// UTF-8 go out as they are: a path given on the command line is in the
// terminal's encoding already.
std::string converted(std::string_view utf8, const std::string& codeset) {
  iconv_t to_terminal = iconv_open(codeset.c_str(), "UTF-8");
  if (to_terminal == reinterpret_cast<iconv_t>(-1)) return std::string(utf8);
  std::string out;
  for (std::size_t at = 0; at < utf8.size();) {
    std::size_t start = at;
    if (static_cast<unsigned char>(utf8[at]) < 0x80 || !writer::next_code_point(utf8, at)) {
      out += utf8[at++];
      continue;
    }
    char* in = const_cast<char*>(utf8.data() + start);
    std::size_t in_left = at - start;
    char buffer[16];
    char* end = buffer;
    std::size_t room = sizeof buffer;
    if (iconv(to_terminal, &in, &in_left, &end, &room) == static_cast<std::size_t>(-1))
      out += '?';
    else
      out.append(buffer, static_cast<std::size_t>(end - buffer));
  }
  iconv_close(to_terminal);
  return out;
}

}  // namespace

std::string for_terminal(std::string_view utf8, Stream) {
  static const std::string codeset = user_codeset();
  if (passes_utf8(codeset)) return std::string(utf8);
  return converted(utf8, codeset);
}

}  // namespace mivora::pack
