#include <gtest/gtest.h>

#include <filesystem>

#include "package/format.hpp"
#include "tests/support/packages.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/inspect/package_dump.hpp"
#include "tools/inspect/package_walk.hpp"
#include "tools/script/script_compiler.hpp"
#include "tools/writer/byte_order.hpp"

namespace mivora::inspect {
namespace {

namespace fs = std::filesystem;
using namespace format;

using test::view_of;

// name, page, dest, one list of one 3-byte file, copy, done.
std::vector<std::uint8_t> small_package() {
  writer::PackageBuilder b;
  b.name("Setup");
  b.page(kPageNoBack);
  b.dest("C:\\App", 0);
  b.list("docs", 1);
  b.file("a.txt", "abc", FileTime{5, 6});
  b.copy("Copying");
  b.done("Done");
  return b.build();
}

bool has_problem(const PackageWalk& walk, const std::string& fragment) {
  for (const PackageProblem& p : walk.problems)
    if (p.message.find(fragment) != std::string::npos) return true;
  return false;
}

// A copy of `bytes` with one little-endian word or one byte replaced.
std::vector<std::uint8_t> with_word(std::vector<std::uint8_t> bytes, std::uint32_t offset, std::uint32_t word) {
  writer::set_u32(bytes, offset, word);
  return bytes;
}

std::vector<std::uint8_t> with_byte(std::vector<std::uint8_t> bytes, std::uint32_t offset, std::uint8_t byte) {
  bytes.at(offset) = byte;
  return bytes;
}

TEST(PackageWalk, WellFormedPackageHasNoProblems) {
  std::vector<std::uint8_t> bytes = small_package();
  PackageWalk walk = walk_package(view_of(bytes));
  EXPECT_TRUE(walk.ok()) << walk.problems.front().message;
  EXPECT_EQ(walk.commands.size(), 7u);
  EXPECT_EQ(walk.file_bytes, 3u);
}

TEST(PackageWalk, MalformedPackagesNameTheirFault) {
  std::vector<std::uint8_t> good = small_package();
  // Offsets in small_package: script at 20: name(20) page(28) dest(36) list(48) file(68) copy(96) done(104) end(112).
  auto spoiled = [&](std::uint32_t offset, std::uint32_t word) { return with_word(good, offset, word); };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* fragment;
  } cases[] = {
      {"empty", {}, "empty"},
      {"wrong magic", spoiled(0, make_tag("PACK")), "does not start with \"pack\""},
      {"version 2", spoiled(16, 2), "format version"},
      {"head cut short", std::vector<std::uint8_t>(good.begin(), good.begin() + 10), "ends inside its head record"},
      {"unknown tag", spoiled(28, make_tag("Page")), "unknown command"},
      {"string reference out of range", spoiled(24, 5000), "string reference 5000"},
      {"data block out of range", spoiled(72, 0x7FFFFFF0), "lies outside the package"},
      {"file size out of range", spoiled(76, 0xFFFFFFF0), "lies outside the package"},
      {"list expects more files", spoiled(64, 2), "expects 1 more files"},
      {"first page can go back", spoiled(32, 0), "first page must have no-back"},
      {"no end marker", std::vector<std::uint8_t>(good.begin(), good.begin() + 108), "string table lies outside"},
      {"group command", spoiled(96, kTagGroup), "Not finished"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PackageWalk walk = walk_package(view_of(c.bytes));
    EXPECT_TRUE(has_problem(walk, c.fragment))
        << (walk.problems.empty() ? "no problem" : walk.problems.front().message);
  }
}

TEST(PackageWalk, LicenseTextsAreCheckedAsTheInstallerTakesThem) {
  // page, lcns (offset word at 32, length at 36), page, done; the text right after the end marker.
  writer::PackageBuilder b;
  b.page(kPageNoBack);
  b.license("Terms");
  b.page(kPageNoNext);
  b.done("d");
  const std::vector<std::uint8_t> good = b.build();
  const std::uint32_t text = writer::get_u32(good, 32, "offset");
  auto spoiled = [&](std::uint32_t offset, std::uint8_t byte) { return with_byte(good, offset, byte); };
  auto word = [&](std::uint32_t offset, std::uint32_t value) { return with_word(good, offset, value); };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* fragment;
  } cases[] = {
      {"without its zero", spoiled(text + 5, 'x'), "does not end with a zero byte"},
      {"with an inner zero", spoiled(text + 1, 0), "holds a zero byte before its end"},
      {"past the end", word(36, 0x10000), "lies outside the package"},
      {"unaligned", word(32, text + 1), "not at a multiple of 4"},
  };
  EXPECT_TRUE(walk_package(view_of(good)).ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PackageWalk walk = walk_package(view_of(c.bytes));
    EXPECT_TRUE(has_problem(walk, c.fragment))
        << (walk.problems.empty() ? "no problem" : walk.problems.front().message);
  }
}

TEST(PackageWalk, EveryTruncationIsReportedWithoutReadingPastTheEnd) {
  std::vector<std::uint8_t> good = small_package();
  for (std::size_t length = 0; length < good.size(); ++length) {
    SCOPED_TRACE(length);
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_FALSE(walk_package(view_of(cut)).ok());
  }
}

TEST(PackageDump, ListingCompilesBackToTheSameBytes) {
  test::TempDir dir;
  test::write_text(dir / "src" / "same.txt", "alpha");
  test::write_text(dir / "src" / "sub" / "b.bin", std::string("\0\1\2", 3));
  test::write_text(dir / "setup.mivora",
                   "name \"Caf\xC3\xA9 \\\"quoted\\\" \\\\ \\x81\"\n"
                   "text \"line one\\nline two\\ttab\"\n"
                   "text2 \"Terms & conditions && more, \\x26mark\"\n"
                   "page no-back no-next\n"
                   "dest \"\\\\Program Files\\\\X\" fixed drive\n"
                   "text2 \"line one\\nline two\\ttab\"\n"
                   "page\n"
                   "list \"\"\n"
                   "  file \"same.txt\" from \"src/same.txt\" time 2024-01-02T03:04:05.1234567Z\n"
                   "list \"docs\"\n"
                   "  file \"same.txt\" from \"src/same.txt\" time 1999-12-31T23:59:59Z\n"
                   "files \"docs\\\\more\" from \"src\"\n"
                   "copy \"Copying\"\n"
                   "dest \"unused\" continue fixed\n"
                   "list \"\"\n"
                   "  file \"more.txt\" from \"src/same.txt\" time 2024-01-02T03:04:05Z\n"
                   "copy \"Copying more\"\n"
                   "dest \"C:\\\\Other\"\n"
                   "list \"docs\"\n"
                   "  file \"same.txt\" from \"src/same.txt\" time 2024-01-02T03:04:05Z\n"
                   "copy \"Copying elsewhere\"\n"
                   "done \"Bye\"\n");
  writer::PackageBuilder first;
  ASSERT_TRUE(script::compile_script(dir / "setup.mivora", {}, first).ok());
  std::vector<std::uint8_t> bytes = first.build();
  PackageWalk walk = walk_package(view_of(bytes));
  ASSERT_TRUE(walk.ok()) << walk.problems.front().message;

  DumpOptions options;
  options.package_name = "setup.bin";
  options.extract_to = dir / "out";
  std::string listing = dump_package(view_of(bytes), walk, options);
  test::write_text(dir / "out" / "package.mivora", listing);
  writer::PackageBuilder second;
  ASSERT_TRUE(script::compile_script(dir / "out" / "package.mivora", {}, second).ok()) << listing;
  EXPECT_EQ(second.build(), bytes) << listing;
  EXPECT_NE(listing.find("from \"files/docs/same.txt~2\""), std::string::npos) << "two files of one place stay apart";
  EXPECT_NE(listing.find("dest \"unused\" fixed continue\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("text2 \"Terms & conditions && more, \\x26mark\"\n"), std::string::npos)
      << "a page text is printed as typed";
}

// A package from elsewhere may hold any run of "&" in a page text: the
// listing builds the same bytes again, and says what the page shows.
TEST(PackageDump, PageTextsWithLoneMarksBuildTheSameBytes) {
  writer::PackageBuilder b;
  b.name("R&D");
  b.text("&Next, A && B, C &&& D, end &");
  b.page(kPageNoBack);
  b.done("&&");
  std::vector<std::uint8_t> bytes = b.build();
  PackageWalk walk = walk_package(view_of(bytes));
  ASSERT_TRUE(walk.ok()) << walk.problems.front().message;
  std::string listing = dump_package(view_of(bytes), walk, DumpOptions{});
  EXPECT_NE(listing.find("name \"R&D\"\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("text \"\\x26Next, A & B, C &\\x26 D, end \\x26\"\n"), std::string::npos) << listing;
  EXPECT_NE(listing.find("done \"&\"\n"), std::string::npos) << listing;
  test::TempDir dir;
  test::write_text(dir / "package.mivora", listing);
  writer::PackageBuilder again;
  ASSERT_TRUE(script::compile_script(dir / "package.mivora", {}, again).ok()) << listing;
  EXPECT_EQ(again.build(), bytes) << listing;
}

TEST(PackageDump, LiteralsEscapeWhatAScriptCannotHoldAsIs) {
  struct Case {
    std::string ansi;
    const char* literal;
  } cases[] = {{"plain", "\"plain\""},
               {"a\"b", "\"a\\\"b\""},
               {"a\\b", "\"a\\\\b\""},
               {"1\n2", "\"1\\n2\""},
               {"\x01", "\"\\x01\""},
               {"\x81", "\"\\x81\""},
               {"\xE9\x80", "\"\xC3\xA9\xE2\x82\xAC\""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.literal);
    EXPECT_EQ(script_literal(c.ansi, 1252), c.literal);
  }
}

}  // namespace
}  // namespace mivora::inspect
