#include "package/package_view.hpp"

#include "package/command_list.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/packages.hpp"

namespace mivora {
namespace {

using namespace format;

using test::view_of;

std::string str(CountedView v) { return std::string(v.chars, v.length); }

std::vector<std::uint8_t> worked_example() { return test::worked_example().build(); }

TEST(PackageFormat, TagsAreTheirCharactersLeastSignificantFirst) {
  EXPECT_EQ(kTagFile, 0x656C6966u);
  EXPECT_EQ(kMagic, 0x6B636170u);
  EXPECT_EQ(kHeadTag, 0x64616568u);
  EXPECT_EQ(kTagText2, 0x32747874u);
  ASSERT_NE(find_command(kTagFile), nullptr);
  EXPECT_EQ(find_command(kTagFile)->argument_words, 6u);
  EXPECT_EQ(find_command(kTagDest)->argument_words, 2u);
  EXPECT_EQ(find_command(kHeadTag), nullptr);
  EXPECT_EQ(find_command(kEndMarker), nullptr);
  EXPECT_EQ(find_command(make_tag("File")), nullptr);
}

TEST(PackageFormat, WorkedExampleIsByteForByte) {
  ASSERT_EQ(test::kWorkedExampleBytes.size(), 76u);
  EXPECT_EQ(worked_example(), test::kWorkedExampleBytes);
}

TEST(PackageFormat, WorkedExampleReadsBack) {
  std::vector<std::uint8_t> bytes = worked_example();
  PackageView package(view_of(bytes));
  HeadRecord head;
  ASSERT_EQ(package.check_head(head), HeadProblem::kNone);
  EXPECT_EQ(head.script_offset, 20u);
  EXPECT_EQ(head.string_table_offset, 56u);
  const std::uint32_t tags[] = {kTagName, kTagText, kTagPage, kTagDone, kEndMarker};
  const std::uint32_t args[] = {0, 5, 1, 11};
  std::uint32_t at = head.script_offset;
  for (std::uint32_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(package.word_at(at).value_or({}), tags[i]);
    if (i < 4) {
      EXPECT_EQ(package.word_at(at + 4).value_or({}), args[i]);
    }
    at += 8;
  }
  EXPECT_EQ(str(package.string_at(head.string_table_offset, 0).value_or({})), "Demo");
  EXPECT_EQ(str(package.string_at(head.string_table_offset, 5).value_or({})), "Hello");
  EXPECT_EQ(str(package.string_at(head.string_table_offset, 11).value_or({})), "Bye");
}

TEST(PackageFormat, FileRecordsAndDataBlocks) {
  writer::PackageBuilder b;
  b.list("", 3);
  b.file("empty", "", FileTime{1, 2});
  b.file("four", "abcd", FileTime{3, 4});
  b.file("three", "xyz", FileTime{0x89ABCDEF, 0x01234567});
  b.done("x");
  std::vector<std::uint8_t> bytes = b.build();
  PackageView package(view_of(bytes));
  HeadRecord head;
  ASSERT_EQ(package.check_head(head), HeadProblem::kNone);
  Checked<ListRecord> list = package.list_record_at(head.script_offset + 4);
  ASSERT_TRUE(list.ok());
  EXPECT_EQ(list.value_or({}).file_count, 3u);
  EXPECT_EQ(str(package.string_at(head.string_table_offset, list.value_or({}).directory_name).value_or({})), "");

  std::uint32_t first_record = head.script_offset + 4 + kListRecordSize + 4;
  std::uint32_t record_stride = kFileRecordSize + 4;
  Checked<FileRecord> empty = package.file_record_at(first_record);
  Checked<FileRecord> four = package.file_record_at(first_record + record_stride);
  Checked<FileRecord> three = package.file_record_at(first_record + 2 * record_stride);
  ASSERT_TRUE(empty.ok() && four.ok() && three.ok());
  // An empty file's block is its name reference alone; a multiple of 4 has no padding.
  EXPECT_EQ(four.value_or({}).data_offset, empty.value_or({}).data_offset + 4);
  EXPECT_EQ(three.value_or({}).data_offset, four.value_or({}).data_offset + 8);
  EXPECT_EQ(three.value_or({}).time.ticks(), 0x0123456789ABCDEFull);
  Checked<DataBlock> block = package.data_block(three.value_or({}));
  ASSERT_TRUE(block.ok());
  EXPECT_EQ(str(package.string_at(head.string_table_offset, block.value_or({}).name_reference).value_or({})), "three");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(package.slice(block.value_or({}).contents_offset, 3).data), 3), "xyz");
  EXPECT_EQ(bytes.size() % 4, 0u);
}

TEST(PackageFormat, HeadChecksInOrder) {
  struct Case {
    const char* what;
    writer::HeadOverrides overrides;
    HeadProblem expected;
  };
  writer::HeadOverrides bad_magic;
  bad_magic.magic = make_tag("kcap");
  bad_magic.version = 7;  // never looked at: the magic is checked first
  writer::HeadOverrides bad_tag;
  bad_tag.head_tag = make_tag("Head");
  writer::HeadOverrides no_script;
  no_script.zero_script_offset = true;
  writer::HeadOverrides no_strings;
  no_strings.zero_string_table_offset = true;
  writer::HeadOverrides version0;
  version0.version = 0;
  writer::HeadOverrides version2;
  version2.version = 2;
  const Case cases[] = {{"magic", bad_magic, HeadProblem::kBadMagic},
                        {"head tag", bad_tag, HeadProblem::kBadHeadTag},
                        {"script offset", no_script, HeadProblem::kNoScript},
                        {"string table offset", no_strings, HeadProblem::kNoStringTable},
                        {"version 0", version0, HeadProblem::kBadVersion},
                        {"version 2", version2, HeadProblem::kBadVersion}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writer::PackageBuilder b;
    b.done("x");
    b.set_head_overrides(c.overrides);
    std::vector<std::uint8_t> bytes = b.build();
    HeadRecord head;
    EXPECT_EQ(PackageView(view_of(bytes)).check_head(head), c.expected);
  }
  HeadRecord head;
  EXPECT_EQ(PackageView(ByteView{}).check_head(head), HeadProblem::kEmpty);
}

// Every read on every prefix of a package stays inside the prefix (the host
// build runs this under AddressSanitizer, with each prefix in its own block).
TEST(PackageFormat, ViewOfEveryTruncationNeverReadsOutside) {
  writer::PackageBuilder b;
  b.name("Caption");
  b.dest("C:\\Program Files\\Demo", kDestDrivePrefix);
  b.list("docs", 2);
  b.file("a.txt", "alpha", FileTime{1, 2});
  b.file("b.txt", std::string(70, 'b'), FileTime{3, 4});
  b.copy("Copying");
  b.done("Done");
  const std::vector<std::uint8_t> full = b.build();
  for (std::size_t n = 0; n <= full.size(); ++n) {
    std::vector<std::uint8_t> prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    auto* exact = new std::uint8_t[n == 0 ? 1 : n];  // nothing past n is addressable
    std::copy(prefix.begin(), prefix.end(), exact);
    PackageView package(ByteView{exact, static_cast<std::uint32_t>(n)});
    HeadRecord head;
    bool head_ok = package.check_head(head) == HeadProblem::kNone;
    EXPECT_EQ(head_ok, n >= kHeadSize);
    // Probe every offset as word, string reference, record and block.
    for (std::uint32_t at = 0; at < full.size() + 8; ++at) {
      Checked<std::uint32_t> w = package.word_at(at);
      EXPECT_EQ(w.ok(), at + 4 <= n);
      Checked<CountedView> s = package.string_at(head_ok ? head.string_table_offset : 0, at);
      if (s.ok()) {
        volatile char last = s.value_or({}).length ? s.value_or({}).chars[s.value_or({}).length - 1] : 0;
        (void)last;
      }
      Checked<FileRecord> f = package.file_record_at(at);
      if (f.ok()) {
        Checked<DataBlock> block = package.data_block(f.value_or({}));
        if (block.ok() && block.value_or({}).size) {
          volatile std::uint8_t last = *package.slice(block.value_or({}).contents_offset + block.value_or({}).size - 1, 1).data;
          (void)last;
        }
      }
      (void)package.list_record_at(at);
    }
    // Offsets near the top of the 32-bit range must not wrap into the buffer.
    EXPECT_FALSE(package.word_at(0xFFFFFFFE).ok());
    EXPECT_FALSE(package.string_at(0xFFFFFFF0, 0x20).ok());
    EXPECT_FALSE(package.data_block(FileRecord{4, 0xFFFFFFFC, {}}).ok());
    delete[] exact;
  }
}

}  // namespace
}  // namespace mivora
