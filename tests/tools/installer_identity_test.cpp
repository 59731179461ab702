// The installer's identity written into a stub and read back: icon files,
// the version resource, the manifest and the brand line, checked where an
// independent reader exists (ImageMagick's icons, windres' version block,
// xmllint, llvm-readobj) and by reading back what dump will read.
#include "tools/writer/installer_identity.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "tests/support/processes.hpp"
#include "tests/support/resource_listing.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/tools/test_stubs.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/dialog_brand.hpp"
#include "tools/writer/pe_image.hpp"
#include "tools/writer/resource_tree.hpp"

namespace mivora::writer {
namespace {

namespace fs = std::filesystem;
using test::read_bytes;
using test::run_command;
using Bytes = std::vector<std::uint8_t>;

Bytes test_stub() { return read_bytes(fs::path(MIVORA_TEST_STUBS) / "stub.exe"); }
Bytes wizard_icon() { return read_bytes(fs::path(MIVORA_SOURCE_DIR) / "wizard" / "mivora.ico"); }
const Bytes kPackage = {'p', 'a', 'c', 'k', 1, 2, 3};

Bytes embed(const Bytes& stub, const InstallerIdentity& identity) {
  VectorSink out;
  embed_package_with_identity(
      stub, identity, kPackage.size(), [](ByteSink& s) { s.write(kPackage.data(), kPackage.size()); }, out);
  return std::move(out.bytes);
}

std::vector<std::uint32_t> names_of(const Bytes& exe, std::uint32_t type) {
  std::vector<std::uint32_t> ids;
  for (const ResourceType& t : read_resource_tree(exe, pe::parse_image(exe)).types)
    if (t.key.matches(type))
      for (const ResourceName& n : t.names) ids.push_back(n.key.id);
  return ids;
}

Bytes stub_resource(std::uint32_t type, std::uint32_t id) {
  ResourceLookup found = read_resource(test_stub(), type, id);
  EXPECT_TRUE(found.ok) << found.error;
  return found.bytes;
}

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

TEST(IconFile, IconFilesComeBackFromTheInstallerByteForByte) {
  test::TempDir dir;
  struct Case {
    const char* what;
    Bytes ico;
    std::vector<std::uint32_t> image_ids;
  } cases[] = {{"one 16-colour bitmap", wizard_icon(), {1}},
               {"a PNG image and three bitmaps (ImageMagick)", test::make_icon_file(dir), {1, 2, 3, 4}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallerIdentity identity;
    identity.icon = parse_icon_file(c.ico);
    Bytes installer = embed(test_stub(), identity);
    EXPECT_EQ(names_of(installer, kRtIcon), c.image_ids);
    EXPECT_EQ(read_identity(installer).icon_file, c.ico);
  }
}

TEST(IconFile, ANewIconLeavesNoImageOfTheOldOneBehind) {
  test::TempDir dir;
  InstallerIdentity four_images;
  four_images.icon = parse_icon_file(test::make_icon_file(dir));
  InstallerIdentity one_image;
  one_image.icon = parse_icon_file(wizard_icon());
  Bytes again = embed(embed(test_stub(), four_images), one_image);
  EXPECT_EQ(names_of(again, kRtIcon), std::vector<std::uint32_t>{1});
  EXPECT_EQ(names_of(again, kRtGroupIcon), std::vector<std::uint32_t>{1});
  EXPECT_EQ(read_identity(again).icon_file, wizard_icon());
}

// ---------------------------------------------------------------- version

TEST(VersionInfo, VersionNumbersHaveOneToFourPartsUpTo65535) {
  struct Valid {
    const char* text;
    const char* four_parts;
  } valid[] = {{"1.2.3.4", "1.2.3.4"}, {"7", "7.0.0.0"}, {"2.1", "2.1.0.0"}, {"65535.0.01.0", "65535.0.1.0"}};
  for (const Valid& v : valid) {
    SCOPED_TRACE(v.text);
    EXPECT_EQ(parse_version_number(v.text).text(), v.four_parts);
  }
  struct Invalid {
    const char* text;
    const char* reason;
  } invalid[] = {{"", "an empty number"},          {"1..2", "an empty number"},
                 {"1.2.3.", "an empty number"},    {"1.2.3.4.5", "more than four"},
                 {"65536", "65536 is above 65535"}, {"1.0000070000", "above 65535"},
                 {"1.-2", "\"-2\" is not a number"}, {"v1", "\"v1\" is not a number"},
                 {" 1", "is not a number"}};
  for (const Invalid& i : invalid) expect_refused(i.text, i.reason, [&] { (void)parse_version_number(i.text); });
}

TEST(VersionInfo, FieldsReadBackAsTheyWereGiven) {
  VersionInfo everything;
  everything.version = parse_version_number("1.2.3.4");
  everything.product = "Café Suite";
  everything.company = "Ünïcode & Söhne";
  everything.description = "Café Suite Setup";
  everything.copyright = "© 2024 Ünïcode 😀";
  everything.original_filename = "setup.exe";
  VersionInfo strings_without_version;
  strings_without_version.product = "Product";
  strings_without_version.code_page = 1250;
  VersionInfo version_only;
  version_only.version = parse_version_number("0.0.0.0");
  struct Case {
    const char* what;
    const VersionInfo& info;
  } cases[] = {{"every field", everything},
               {"texts without a version", strings_without_version},
               {"a version of 0.0.0.0", version_only}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(read_version_resource(build_version_resource(c.info)), c.info);
  }
}

TEST(VersionInfo, ReadsTheBlockThatWindresWrote) {
  VersionInfo info = read_version_resource(stub_resource(kRtVersion, kVersionResourceId));
  ASSERT_TRUE(info.version.has_value());
  EXPECT_EQ(info.version->text(), "1.2.3.4");
  EXPECT_EQ(info.description, "stub");
  EXPECT_EQ(info.code_page, 0x04B0) << "from the string table \"040904b0\"";
  EXPECT_FALSE(info.product.has_value());
}

TEST(VersionInfo, TextsThatCannotBeStoredAreRefused) {
  auto refused = [](const char* what, const char* reason, std::string text) {
    VersionInfo info;
    info.product = std::move(text);
    expect_refused(what, reason, [&] { (void)build_version_resource(info); });
  };
  refused("not UTF-8", "not UTF-8 (at byte 3)", "ab\xE9z");
  refused("a NUL", "NUL character", std::string("a\0b", 3));
  refused("too long for 16-bit lengths", "at most 65535", std::string(40000, 'x'));
}

// ---------------------------------------------------------------- manifest

TEST(AppManifest, XmllintReadsTheLevelTheCompatibilityAndTheDpiSetting) {
  test::TempDir dir;
  const struct {
    Elevation elevation;
    const char* level;
  } cases[] = {{Elevation::admin, "requireAdministrator"},
               {Elevation::highest, "highestAvailable"},
               {Elevation::user, "asInvoker"}};
  auto query = [&](const std::string& xpath) {
    return run_command("xmllint --xpath \"" + xpath + "\" " + test::quoted(dir / "app.manifest")).output;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    std::string manifest = build_manifest(c.elevation);
    test::write_text(dir / "app.manifest", manifest);
    EXPECT_EQ(query("string(//*[local-name()='requestedExecutionLevel']/@level)"), std::string(c.level) + "\n");
    EXPECT_EQ(query("count(//*[local-name()='supportedOS'])"), "5\n") << "Vista, 7, 8, 8.1, 10 and 11";
    EXPECT_EQ(query("string(//*[local-name()='dpiAware'])"), "true\n");
    EXPECT_EQ(query("count(//*[local-name()='dependency'])"), "0\n") << "no common-controls dependency";
    EXPECT_EQ(read_manifest_elevation(Bytes(manifest.begin(), manifest.end())), c.elevation);
  }
}

TEST(AppManifest, LevelIsReadFromManifestsWrittenByOthers) {
  const struct {
    const char* xml;
    std::optional<Elevation> level;
  } cases[] = {
      {"<requestedExecutionLevel uiAccess='false' level = 'highestAvailable'/>", Elevation::highest},
      {"<requestedExecutionLevel\n  level=\"asInvoker\"></requestedExecutionLevel>", Elevation::user},
      {"<requestedExecutionLevel uiAccess=\"false\"/>", std::nullopt},
      {"<requestedExecutionLevel level=\"requireAdministrator", std::nullopt},
      {"<assembly/>", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xml);
    std::string xml = c.xml;
    EXPECT_EQ(read_manifest_elevation(Bytes(xml.begin(), xml.end())), c.level);
  }
}

// ---------------------------------------------------------------- brand

TEST(DialogBrand, BrandsOfEveryLengthLeaveTheOtherItemsAsTheyWere) {
  const Bytes dialog = stub_resource(kRtDialog, kWizardDialogId);  // "Stub 0.1", then another item
  ASSERT_EQ(read_brand(dialog), "Stub 0.1");
  std::string limit(kBrandLimit, 'W');
  // Each length moves the next item by another 2 bytes; "&" is stored twice.
  for (const char* brand : {"", "A", "AB", "ABC", "ABCD", "Café & Co. 2.0", "😀", limit.c_str()}) {
    SCOPED_TRACE(brand);
    Bytes branded = rebrand_dialog(dialog, brand);
    EXPECT_EQ(read_brand(branded), brand);
    EXPECT_EQ(rebrand_dialog(branded, "Stub 0.1"), dialog) << "every other byte must be where it was";
  }
}

TEST(DialogBrand, BrandsTheLineCannotShowAndTemplatesWithoutTheLineAreRefused) {
  const Bytes dialog = stub_resource(kRtDialog, kWizardDialogId);
  Bytes extended = dialog;
  set_u16(extended, 0, 1);
  set_u16(extended, 2, 0xFFFF);
  Bytes without_line = dialog;
  // The first item follows the 18-byte header, no menu, no class and "Stub" (14 bytes); its id is 16 bytes in.
  set_u16(without_line, 32 + 16, 210);
  struct Case {
    const char* what;
    const Bytes& dialog;
    std::string brand;
    const char* reason;
  } cases[] = {
      {"one character too many", dialog, std::string(kBrandLimit + 1, 'x'), "at most"},
      {"a line break", dialog, "two\nlines", "one line"},
      {"not UTF-8", dialog, "caf\xE9", "not UTF-8"},
      {"an extended template", extended, "x", "DIALOGEX"},
      {"no line with id -1", without_line, "x", "no static line with id -1"},
      {"a template cut short", Bytes(dialog.begin(), dialog.begin() + 40), "x", "outside the file"},
  };
  for (const Case& c : cases) expect_refused(c.what, c.reason, [&] { (void)rebrand_dialog(c.dialog, c.brand); });
}

// ---------------------------------------------------------------- the installer

TEST(InstallerIdentity, EveryPartAndThePackageGoIntoOneRewrite) {
  test::TempDir dir;
  const Bytes icon_file = test::make_icon_file(dir);
  InstallerIdentity identity;
  identity.icon = parse_icon_file(icon_file);
  identity.version = VersionInfo{};
  identity.version->version = parse_version_number("3.1");
  identity.version->product = "Café";
  identity.elevation = Elevation::highest;
  identity.brand = "Café 3.1";
  for (const test::TestStub& s : test::kTestStubs) {
    SCOPED_TRACE(s.file);
    Bytes installer = embed(read_bytes(s.path()), identity);

    test::write_bytes(dir / "setup.exe", installer);
    EXPECT_EQ(test::readobj_resource_names(dir / "setup.exe"),
              "ICON (ID 3);(ID 1);(ID 2);(ID 3);(ID 4);DIALOG (ID 5);(ID 100);RCDATA (ID 10);STUB;(ID 42);"
              "GROUP_ICON (ID 14);(ID 1);VERSIONINFO (ID 16);(ID 1);MANIFEST (ID 24);(ID 1);");
    EXPECT_EQ(read_resource(installer, kRtRcdata, kPackageResourceId).bytes, kPackage);
    pe::Image image = pe::parse_image(installer);
    Bytes zeroed = installer;
    set_u32(zeroed, image.optional_offset + pe::kOptCheckSum, 0);
    pe::Checksum checksum;
    checksum.add(zeroed.data(), zeroed.size());
    EXPECT_EQ(get_u32(installer, image.optional_offset + pe::kOptCheckSum, ""), checksum.finish());

    IdentityReadBack back = read_identity(installer);
    EXPECT_EQ(back.icon_file, icon_file);
    EXPECT_EQ(back.version, identity.version);
    EXPECT_EQ(back.elevation, Elevation::highest);
    EXPECT_EQ(back.brand, "Café 3.1");
  }
}

TEST(InstallerIdentity, NoIdentityKeepsTheStubsResourcesButNotItsVersion) {
  test::TempDir dir;
  for (const test::TestStub& s : test::kTestStubs) {
    SCOPED_TRACE(s.file);
    test::write_bytes(dir / "setup.exe", embed(read_bytes(s.path()), InstallerIdentity{}));
    EXPECT_EQ(test::readobj_resource_names(dir / "setup.exe"),
              "ICON (ID 3);(ID 1);DIALOG (ID 5);(ID 100);RCDATA (ID 10);STUB;(ID 42);GROUP_ICON (ID 14);(ID 1);")
        << "the stub's version block describes the stub, not what the installer installs";
  }
}

TEST(InstallerIdentity, AStubThatCannotCarryABrandIsRefused) {
  InstallerIdentity identity;
  identity.brand = "Mine";
  // A stub whose dialog 100 is gone: the package alone rewritten into it, then dialog 100 dropped.
  VectorSink out;
  std::vector<ResourceEdit> drop = {ResourceEdit::removal(kRtDialog, kWizardDialogId)};
  embed_resource(
      test_stub(), kRtRcdata, kPackageResourceId, 0, [](ByteSink&) {}, out, {.edits = drop});
  EXPECT_TRUE(names_of(out.bytes, kRtDialog).empty());
  expect_refused("no dialog 100", "no dialog template 100", [&] { (void)embed(out.bytes, identity); });
}

}  // namespace
}  // namespace mivora::writer
