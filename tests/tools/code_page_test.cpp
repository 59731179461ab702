// The Windows-1252 table of the script compiler and of dump, against the
// system's own conversion table (glibc's iconv), byte for byte and
// character for character.
#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>

#include "tools/script/code_page.hpp"

namespace mivora::script {
namespace {

// glibc's conversions between UTF-32 and CP1252, opened once.
class SystemTable {
 public:
  SystemTable() : to_unicode_(iconv_open("UTF-32LE", "CP1252")), to_ansi_(iconv_open("CP1252", "UTF-32LE")) {}
  ~SystemTable() {
    if (ok()) {
      iconv_close(to_unicode_);
      iconv_close(to_ansi_);
    }
  }
  [[nodiscard]] bool ok() const {
    return to_unicode_ != reinterpret_cast<iconv_t>(-1) && to_ansi_ != reinterpret_cast<iconv_t>(-1);
  }

  std::optional<char32_t> character_of(std::uint8_t b) {
    char in[1] = {static_cast<char>(b)};
    char out[8];
    std::size_t produced = convert(to_unicode_, in, sizeof in, out, sizeof out);
    if (produced != 4) return std::nullopt;
    char32_t c = 0;
    for (int i = 3; i >= 0; --i) c = c << 8 | static_cast<std::uint8_t>(out[i]);
    return c;
  }

  std::optional<std::uint8_t> byte_of(char32_t c) {
    char in[4];
    for (int i = 0; i < 4; ++i) in[i] = static_cast<char>(c >> (8 * i));
    char out[8];
    if (convert(to_ansi_, in, sizeof in, out, sizeof out) != 1) return std::nullopt;
    return static_cast<std::uint8_t>(out[0]);
  }

 private:
  // Bytes produced, or 0 when iconv refuses the input.
  static std::size_t convert(iconv_t cd, char* in, std::size_t in_size, char* out, std::size_t out_size) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::size_t in_left = in_size, out_left = out_size;
    if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<std::size_t>(-1) || in_left != 0) return 0;
    return out_size - out_left;
  }

  iconv_t to_unicode_;
  iconv_t to_ansi_;
};

TEST(CodePage, Windows1252IsTheSystemsTableInBothDirections) {
  SystemTable system;
  ASSERT_TRUE(system.ok()) << "iconv has no CP1252 here";
  for (int b = 0; b < 256; ++b) {
    SCOPED_TRACE(b);
    EXPECT_EQ(from_ansi(static_cast<std::uint8_t>(b), 1252), system.character_of(static_cast<std::uint8_t>(b)));
  }
  int mismatches = 0;
  for (char32_t c = 0; c < 0x30000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    std::optional<std::uint8_t> ours = to_ansi(c, 1252);
    std::optional<std::uint8_t> theirs = system.byte_of(c);
    if (ours != theirs && ++mismatches <= 10)
      ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(c) << ": ours "
                    << (ours ? std::to_string(*ours) : "none") << ", the system's "
                    << (theirs ? std::to_string(*theirs) : "none");
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace mivora::script
