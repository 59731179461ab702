// The installer's identity written into a stub and read back: icon files,
// the version resource, the manifest and the brand line, checked where an
// independent reader exists (ImageMagick's icons, windres' version block,
// xmllint, llvm-readobj) and by reading back what dump will read.
#include "tools/writer/icon_file.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "tests/tools/test_support.hpp"
#include "tools/writer/byte_order.hpp"

namespace mivora::writer {
namespace {

namespace fs = std::filesystem;
using test::read_bytes;
using Bytes = std::vector<std::uint8_t>;

Bytes wizard_icon() { return read_bytes(fs::path(MIVORA_SOURCE_DIR) / "wizard" / "mivora.ico"); }

// "what" names the case; the call must throw InputError whose text holds `reason`.
template <typename Call>
void expect_refused(const char* what, const char* reason, Call call) {
  SCOPED_TRACE(what);
  try {
    call();
    ADD_FAILURE() << "accepted";
  } catch (const InputError& e) {
    EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
  }
}

// ---------------------------------------------------------------- icon files

TEST(IconFile, MalformedIconFilesAreRefusedWithAPlainReason) {
  test::TempDir dir;
  const Bytes bitmap_icon = wizard_icon();  // one 32 x 32 16-colour bitmap at offset 22
  const Bytes png_icon = test::make_icon_file(dir);  // its first image a PNG at offset 70
  constexpr std::size_t kEntry = 6;
  constexpr std::size_t kBitmap = 22;
  constexpr std::size_t kPng = 70;
  constexpr std::size_t kAll = SIZE_MAX;
  struct Case {
    const char* what;
    const Bytes& base;
    std::size_t keep;  // the first bytes kept
    std::size_t field;
    std::uint32_t value;
    int width;  // 2 or 4 bytes; 0 writes nothing
    const char* reason;
  } cases[] = {
      {"empty file", bitmap_icon, 0, 0, 0, 0, "too short for its header (0 bytes)"},
      {"header cut", bitmap_icon, 5, 0, 0, 0, "too short for its header (5 bytes)"},
      {"not an icon directory", bitmap_icon, kAll, 0, 1, 2, "does not start with an icon directory"},
      {"a cursor file", bitmap_icon, kAll, 2, 2, 2, "holds cursors"},
      {"no image", bitmap_icon, kAll, 4, 0, 2, "holds no image"},
      {"directory cut", bitmap_icon, 12, 0, 0, 0, "cut short"},
      {"image size 0", bitmap_icon, kAll, kEntry + 8, 0, 4, "image 1 has a size of 0"},
      {"image past the end", bitmap_icon, kAll, kEntry + 12, 766, 4, "image 1 lies outside the file"},
      {"image longer than the file", bitmap_icon, kAll, kEntry + 8, 745, 4, "image 1 lies outside the file"},
      {"image inside the directory", bitmap_icon, kAll, kEntry + 12, 6, 4, "starts inside the icon directory"},
      {"bitmap shorter than it needs", bitmap_icon, kAll, kEntry + 8, 743, 4, "needs 744 bytes"},
      {"entry and bitmap sizes differ", bitmap_icon, kAll, kEntry, 16, 1, "says 16x32, the bitmap is 32x32"},
      {"odd bits a pixel", bitmap_icon, kAll, kBitmap + 14, 3, 2, "3 bits a pixel"},
      {"compressed bitmap", bitmap_icon, kAll, kBitmap + 16, 2, 4, "compressed"},
      {"neither PNG nor bitmap", bitmap_icon, kAll, kBitmap, 12, 4, "neither a PNG image nor a bitmap"},
      {"entry and PNG sizes differ", png_icon, kAll, kEntry, 128, 1, "says 128x256, the PNG image is 256x256"},
      {"PNG without IHDR", png_icon, kAll, kPng + 12, 'X', 1, "image 1: a PNG image without its IHDR"},
  };
  for (const Case& c : cases) {
    Bytes ico(c.base.begin(), c.base.begin() + static_cast<std::ptrdiff_t>(std::min(c.keep, c.base.size())));
    if (c.width == 1) ico.at(c.field) = static_cast<std::uint8_t>(c.value);
    if (c.width == 2) set_u16(ico, c.field, static_cast<std::uint16_t>(c.value));
    if (c.width == 4) set_u32(ico, c.field, c.value);
    expect_refused(c.what, c.reason, [&] { (void)parse_icon_file(ico); });
  }
}

}  // namespace
}  // namespace mivora::writer
