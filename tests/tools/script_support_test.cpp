#include <gtest/gtest.h>

#include "tools/script/code_page.hpp"
#include "tools/script/iso_time.hpp"
#include "tools/script/script_lexer.hpp"
#include "tools/writer/windows_names.hpp"

namespace mivora::script {
namespace {

using writer::directory_problem;
using writer::file_name_problem;

TEST(IsoTime, ReadsAndWritesTimesExactlyToTheTick) {
  struct Case {
    const char* text;
    std::uint64_t ticks;
  } cases[] = {
      {"1601-01-01T00:00:00Z", 0},
      {"1970-01-01T00:00:00Z", 116444736000000000ull},
      {"2024-02-29T23:59:59.9999999Z", (1709251199ull + 11644473600ull) * 10000000ull + 9999999ull},
      {"2000-03-01T12:00:00.5Z", (951912000ull + 11644473600ull) * 10000000ull + 5000000ull},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<FileTime> t = parse_iso_time(c.text);
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(t->ticks(), c.ticks);
    EXPECT_EQ(format_iso_time(*t), c.text);
  }
}

TEST(IsoTime, RefusesWhatIsNotAValidUtcTime) {
  for (const char* text : {"2024-02-30T00:00:00Z", "2023-02-29T00:00:00Z", "1600-12-31T23:59:59Z",
                           "2024-01-01T24:00:00Z", "2024-01-01T00:00:00", "2024-01-01 00:00:00Z",
                           "2024-01-01T00:00:00.Z", "2024-01-01T00:00:00.12345678Z", "2024-1-01T00:00:00Z"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(parse_iso_time(text).has_value());
  }
}

TEST(WindowsNames, AcceptsOrdinaryNamesAndRefusesWhatWindowsRejects) {
  for (const char* good : {"readme.txt", "CONFIG", "console.log", "COM0", "LPT10", "a b", ".profile", "caf\xE9"}) {
    SCOPED_TRACE(good);
    EXPECT_EQ(file_name_problem(good), "");
  }
  for (const char* bad :
       {"",    ".",  "..", "a/b", "a\\b",    "a:b", "a*b",        "a|b",  "a<b",      "a>b",  "a\"b",
        "a?b", "x.", "x ", "CON", "con.txt", "Nul", "AUX.tar.gz", "COM1", "lpt9.doc", "PRN ", "a\x1F"}) {
    SCOPED_TRACE(bad);
    EXPECT_NE(file_name_problem(bad), "");
  }
}

TEST(WindowsNames, DirectoriesAreCheckedComponentByComponent) {
  EXPECT_EQ(directory_problem(""), "");
  EXPECT_EQ(directory_problem("docs\\guide"), "");
  for (const char* bad : {"\\docs", "docs\\", "docs\\\\guide", "docs\\aux", "docs/guide", "C:\\x"}) {
    SCOPED_TRACE(bad);
    EXPECT_NE(directory_problem(bad), "");
  }
}

TEST(CodePage, Windows1252MapsBothWaysAndLeavesItsGapsUndefined) {
  struct Case {
    char32_t character;
    std::uint8_t byte;
  } cases[] = {{U'A', 0x41},      {U'\u20AC', 0x80}, {U'\u2122', 0x99},
               {U'\u0178', 0x9F}, {U'\u00E9', 0xE9}, {U'\u00A0', 0xA0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.byte);
    EXPECT_EQ(to_ansi(c.character, 1252), c.byte);
    EXPECT_EQ(from_ansi(c.byte, 1252), c.character);
  }
  for (std::uint8_t gap : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    SCOPED_TRACE(gap);
    EXPECT_FALSE(from_ansi(gap, 1252).has_value());
    EXPECT_EQ(to_ansi(raw_byte(gap), 1252), gap);
  }
  EXPECT_FALSE(to_ansi(U'\u0081', 1252).has_value());
  EXPECT_FALSE(to_ansi(U'\u4E2D', 1252).has_value());
}

TEST(ScriptLexer, SplitsWordsStringsAndComments) {
  LexedLine line = lex_line("file \"a b\" from \"x\\\\y\" # \"not a string\"");
  ASSERT_EQ(line.error, "");
  ASSERT_EQ(line.tokens.size(), 4u);
  EXPECT_EQ(line.tokens[0].word, "file");
  EXPECT_EQ(line.tokens[1].text, U"a b");
  EXPECT_EQ(line.tokens[2].word, "from");
  EXPECT_EQ(line.tokens[3].text, U"x\\y");
  EXPECT_TRUE(lex_line("   # only a comment").tokens.empty());
}

}  // namespace
}  // namespace mivora::script
