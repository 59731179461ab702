// The stub's own resources read back from build/win32/mivora.exe: dialog
// template 100 word for word (the resource compiler adds styles of its own
// unless told not to), and icon 1. No Wine needed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/temp_dir.hpp"
#include "tests/support/wine_session.hpp"
#include "tools/writer/pe_resources.hpp"

namespace mivora::test {
namespace {

constexpr std::uint32_t kRtDialog = 5;
constexpr std::uint32_t kRtGroupIcon = 14;

// Reads a dialog template in order, as little-endian words.
class TemplateReader {
 public:
  explicit TemplateReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

  std::uint16_t u16() {
    if (at_ + 2 > bytes_.size()) {
      overrun_ = true;
      return 0;
    }
    std::uint16_t v = static_cast<std::uint16_t>(bytes_[at_] | bytes_[at_ + 1] << 8);
    at_ += 2;
    return v;
  }
  std::uint32_t u32() {
    std::uint32_t low = u16();
    return low | static_cast<std::uint32_t>(u16()) << 16;
  }
  // A string or ordinal: "#n" for an ordinal, else the (ASCII) text.
  std::string text_or_ordinal() {
    std::uint16_t first = u16();
    if (first == 0xFFFF) return "#" + std::to_string(u16());
    std::string s;
    for (std::uint16_t c = first; c != 0 && !overrun_; c = u16()) s += static_cast<char>(c);
    return s;
  }
  void align4() { at_ = (at_ + 3) & ~std::size_t{3}; }
  [[nodiscard]] bool overrun() const { return overrun_; }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t at_ = 0;
  bool overrun_ = false;
};

struct ControlTemplate {
  std::uint32_t style;
  int x, y, cx, cy;
  int id;
  std::string window_class;
  std::string text;
};

std::vector<std::uint8_t> stub_resource(std::uint32_t type, std::uint32_t id) {
  writer::ResourceLookup found = writer::read_resource(read_bytes(windows_build_file("mivora.exe")), type, id);
  EXPECT_TRUE(found.ok) << "resource " << type << "/" << id << " " << found.error;
  return found.bytes;
}

TEST(StubResources, WizardDialogTemplateIsExactlyAsDesigned) {
  std::vector<std::uint8_t> bytes = stub_resource(kRtDialog, 100);
  ASSERT_FALSE(bytes.empty());
  TemplateReader r(bytes);
  EXPECT_EQ(r.u32(), 0x10C80080u) << "dialog style (and no DS_SETFONT: no font entry)";
  EXPECT_EQ(r.u32(), 0u) << "extended style";
  std::uint16_t count = r.u16();
  ASSERT_EQ(count, 15);
  EXPECT_EQ(static_cast<std::int16_t>(r.u16()), 35);
  EXPECT_EQ(static_cast<std::int16_t>(r.u16()), 32);
  EXPECT_EQ(static_cast<std::int16_t>(r.u16()), 215);
  EXPECT_EQ(static_cast<std::int16_t>(r.u16()), 129);
  EXPECT_EQ(r.text_or_ordinal(), "") << "menu";
  EXPECT_EQ(r.text_or_ordinal(), "MIVORADLG32");
  EXPECT_EQ(r.text_or_ordinal(), "Mivora");

  const ControlTemplate expected[15] = {
      {0x50030001, 174, 10, 35, 14, 101, "BUTTON", "Next >>"},
      {0x58010000, 174, 31, 35, 14, 102, "BUTTON", "<< Back"},
      {0x50010000, 174, 52, 35, 14, 2, "BUTTON", "Cancel"},
      {0x40030009, 175, 76, 35, 14, 202, "BUTTON", "Accept"},
      {0x40010009, 175, 93, 35, 14, 203, "BUTTON", "Decline"},
      {0x40000000, 174, 93, 35, 14, 220, "BUTTON", "Browse..."},
      {0x40A10844, 5, 5, 162, 104, 201, "EDIT", ""},
      {0x40020000, 5, 13, 162, 20, 210, "STATIC", ""},
      {0x50020000, 5, 118, 204, 10, 0xFFFF, "STATIC", "Mivora 0.1"},
      {0x4002000C, 5, 81, 158, 10, 222, "STATIC", "Destination:"},
      {0x40810080, 5, 94, 162, 12, 221, "EDIT", ""},
      {0x40020000, 29, 41, 106, 8, 230, "STATIC", "Progress:"},
      {0x40820000, 31, 54, 102, 11, 231, "STATIC", ""},
      {0x40000007, 28, 51, 108, 17, 232, "STATIC", ""},
      {0x50020000, 5, 47, 162, 20, 211, "STATIC", ""},
  };
  for (const auto& want : expected) {
    SCOPED_TRACE(want.id);
    r.align4();
    EXPECT_EQ(r.u32(), want.style);
    EXPECT_EQ(r.u32(), 0u);
    EXPECT_EQ(static_cast<std::int16_t>(r.u16()), want.x);
    EXPECT_EQ(static_cast<std::int16_t>(r.u16()), want.y);
    EXPECT_EQ(static_cast<std::int16_t>(r.u16()), want.cx);
    EXPECT_EQ(static_cast<std::int16_t>(r.u16()), want.cy);
    EXPECT_EQ(r.u16(), want.id);
    EXPECT_EQ(r.text_or_ordinal(), want.window_class);
    EXPECT_EQ(r.text_or_ordinal(), want.text);
    EXPECT_EQ(r.u16(), 0) << "creation data";
  }
  EXPECT_FALSE(r.overrun());
}

TEST(StubResources, IconOneIsASingle32By32ImageIn16Colours) {
  std::vector<std::uint8_t> group = stub_resource(kRtGroupIcon, 1);
  ASSERT_EQ(group.size(), 6u + 14u);
  EXPECT_EQ(group[4] | group[5] << 8, 1) << "one image";
  EXPECT_EQ(group[6], 32);
  EXPECT_EQ(group[7], 32);
  EXPECT_EQ(group[8], 16) << "colours";
  EXPECT_EQ(group[12] | group[13] << 8, 4) << "bits per pixel";
}

TEST(StubResources, StubCarriesNoPackage) {
  writer::ResourceLookup found =
      writer::read_resource(read_bytes(windows_build_file("mivora.exe")), writer::kRtRcdata, writer::kPackageResourceId);
  EXPECT_FALSE(found.ok);
  EXPECT_TRUE(found.error.empty()) << found.error;
}

}  // namespace
}  // namespace mivora::test
