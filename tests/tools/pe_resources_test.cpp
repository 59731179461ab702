#include "tools/writer/pe_resources.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/support/processes.hpp"
#include "tests/support/resource_listing.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/tools/test_stubs.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/pe_image.hpp"
#include "tools/writer/resource_tree.hpp"

namespace mivora::writer {
namespace {

namespace fs = std::filesystem;
using test::read_bytes;
using test::run_command;

std::vector<std::uint8_t> stub(const char* name) { return read_bytes(fs::path(MIVORA_TEST_STUBS) / name); }

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return bytes;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    line.erase(0, line.find_first_not_of(' '));
    lines.push_back(line);
  }
  return lines;
}

bool starts_with(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::vector<std::uint8_t> embed(const std::vector<std::uint8_t>& exe, const std::vector<std::uint8_t>& package) {
  std::vector<std::uint8_t> out;
  std::string error;
  EXPECT_TRUE(replace_resource(exe, kRtRcdata, kPackageResourceId, package, out, error)) << error;
  return out;
}

struct KeptResource {
  std::uint32_t type;
  std::uint32_t id;
  const char* what;
};
constexpr KeptResource kStubResources[] = {
    {3, 1, "icon"}, {14, 1, "group icon"}, {5, 100, "dialog"}, {16, 1, "version"}};

TEST(PeResources, EmbeddingKeepsEveryOtherResourceByteForByte) {
  for (const test::TestStub& s : test::kTestStubs) {
    SCOPED_TRACE(s.file);
    std::vector<std::uint8_t> exe = read_bytes(s.path());
    std::vector<std::uint8_t> package = pattern(1000, 1);
    std::vector<std::uint8_t> out = embed(exe, package);
    for (const KeptResource& r : kStubResources) {
      SCOPED_TRACE(r.what);
      ResourceLookup before = read_resource(exe, r.type, r.id);
      ResourceLookup after = read_resource(out, r.type, r.id);
      ASSERT_TRUE(before.ok);
      ASSERT_TRUE(after.ok) << after.error;
      EXPECT_EQ(after.bytes, before.bytes);
    }
    ResourceLookup embedded = read_resource(out, kRtRcdata, kPackageResourceId);
    ASSERT_TRUE(embedded.ok);
    EXPECT_EQ(embedded.bytes, package);
  }
}

TEST(PeResources, EmbeddingAgainReplacesThePackageInsteadOfAddingOne) {
  std::vector<std::uint8_t> exe = stub("stub.exe");
  std::vector<std::uint8_t> second = pattern(333, 9);
  std::vector<std::uint8_t> twice = embed(embed(exe, pattern(5000, 2)), second);
  EXPECT_EQ(read_resource(twice, kRtRcdata, kPackageResourceId).bytes, second);
  EXPECT_EQ(twice, embed(exe, second)) << "a rewrite must not depend on what was embedded before";
  pe::Image image = pe::parse_image(twice);
  ResourceTree tree = read_resource_tree(twice, image);
  std::size_t languages_of_42 = 0;
  for (const ResourceType& t : tree.types)
    for (const ResourceName& n : t.names)
      if (t.key.matches(kRtRcdata) && n.key.matches(kPackageResourceId)) languages_of_42 += n.languages.size();
  EXPECT_EQ(languages_of_42, 1u);
}

TEST(PeResources, HeadersDescribeTheRebuiltSection) {
  for (const test::TestStub& s : test::kTestStubs) {
    SCOPED_TRACE(s.file);
    std::vector<std::uint8_t> exe = read_bytes(s.path());
    for (std::size_t size : {0u, 1u, 4096u, 70001u}) {
      SCOPED_TRACE(size);
      std::vector<std::uint8_t> out = embed(exe, pattern(size, 3));
      pe::Image image = pe::parse_image(out);
      EXPECT_EQ(image.machine, s.machine);
      const pe::Section& rsrc = image.sections.back();
      EXPECT_EQ(rsrc.name, ".rsrc");
      EXPECT_EQ(rsrc.raw_offset % pe::kPageSize, 0u) << "Wine maps a section in place only from a page boundary";
      EXPECT_EQ(rsrc.raw_size % image.file_alignment, 0u);
      EXPECT_EQ(rsrc.raw_end(), out.size());
      std::uint32_t opt = image.optional_offset;
      EXPECT_EQ(get_u32(out, opt + pe::kOptSizeOfImage, ""),
                align_up(std::uint64_t{rsrc.virtual_address} + rsrc.virtual_size, image.section_alignment));
      EXPECT_EQ(image.directory(pe::kResourceDirectory).address, rsrc.virtual_address);
      EXPECT_EQ(image.directory(pe::kResourceDirectory).size, rsrc.virtual_size);
      std::uint32_t initialized = 0;
      for (const pe::Section& section : image.sections)
        if (section.characteristics & pe::kInitializedData) initialized += section.raw_size;
      EXPECT_EQ(get_u32(out, opt + pe::kOptSizeOfInitializedData, ""), initialized);
      ResourcePlace place = locate_resource(out, kRtRcdata, kPackageResourceId);
      EXPECT_EQ(place.offset % 16, 0u);
      EXPECT_EQ(place.size, size);
      std::vector<std::uint8_t> zeroed = out;
      set_u32(zeroed, opt + pe::kOptCheckSum, 0);
      pe::Checksum checksum;
      checksum.add(zeroed.data(), zeroed.size());
      EXPECT_EQ(get_u32(out, opt + pe::kOptCheckSum, ""), checksum.finish());
    }
  }
}

TEST(PeResources, ObjdumpReadsThePackageAsLanguageNeutralRcdata42) {
  for (const test::TestStub& s : test::kTestStubs) {
    SCOPED_TRACE(s.file);
    test::TempDir dir;
    test::write_bytes(dir / "out.exe", embed(read_bytes(s.path()), pattern(1000, 4)));
    test::CommandResult r = run_command(std::string(s.objdump) + " -p " + test::quoted(dir / "out.exe"));
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_EQ(r.output.find("warning"), std::string::npos) << r.output;
    // objdump's walk of the tree: type 10, its named entry before id 42, and
    // 42's one language, neutral, holding the package.
    std::vector<std::string> entries;
    for (const std::string& line : lines_of(r.output)) {
      std::size_t at = std::min(line.find("Entry: "), line.find("Leaf: "));  // after objdump's offset column
      if (at != std::string::npos) entries.push_back(line.substr(at, line.find(", Value") - at));
    }
    std::vector<std::string> expected_after_rcdata = {"Entry: ID: 0x00000a",
                                                      "Entry: name: [val: ",
                                                      "Entry: ID: 0x000409",
                                                      "Leaf: ",
                                                      "Entry: ID: 0x00002a",
                                                      "Entry: ID: 00000000",
                                                      "Leaf: "};
    auto rcdata = std::find(entries.begin(), entries.end(), "Entry: ID: 0x00000a");
    ASSERT_NE(rcdata, entries.end()) << r.output;
    ASSERT_GE(static_cast<std::size_t>(entries.end() - rcdata), expected_after_rcdata.size());
    for (std::size_t i = 0; i < expected_after_rcdata.size(); ++i) {
      SCOPED_TRACE(rcdata[static_cast<std::ptrdiff_t>(i)]);
      EXPECT_TRUE(starts_with(rcdata[static_cast<std::ptrdiff_t>(i)], expected_after_rcdata[i].c_str()));
    }
    EXPECT_NE(rcdata[6].find("Size: 0x0003e8"), std::string::npos) << rcdata[6];
  }
}

TEST(PeResources, LlvmReadobjListsEntriesNamedFirstThenByAscendingId) {
  test::TempDir dir;
  for (const test::TestStub& s : test::kTestStubs) {
    SCOPED_TRACE(s.file);
    test::write_bytes(dir / s.file, embed(read_bytes(s.path()), pattern(64, 5)));
    EXPECT_EQ(test::readobj_resource_names(dir / s.file),
              "ICON (ID 3);(ID 1);DIALOG (ID 5);(ID 100);RCDATA (ID 10);STUB;(ID 42);GROUP_ICON (ID 14);(ID 1);"
              "VERSIONINFO (ID 16);(ID 1);");
    test::CommandResult r = run_command("llvm-readobj-14 --coff-resources " + test::quoted(dir / s.file));
    EXPECT_NE(r.output.find("DataSize: 64"), std::string::npos);
  }
}

TEST(PeResources, SymbolTableAfterTheLastSectionMovesWithIt) {
  test::TempDir dir;
  std::vector<std::uint8_t> exe = stub("stub_symbols.exe");
  test::write_bytes(dir / "before.exe", exe);
  test::write_bytes(dir / "after.exe", embed(exe, pattern(100000, 6)));
  std::string objdump = "i686-w64-mingw32-objdump -t ";
  test::CommandResult before = run_command(objdump + test::quoted(dir / "before.exe") + " | tail -n +3");
  test::CommandResult after = run_command(objdump + test::quoted(dir / "after.exe") + " | tail -n +3");
  ASSERT_EQ(after.exit_code, 0);
  EXPECT_NE(after.output.find("_main"), std::string::npos);
  EXPECT_EQ(after.output, before.output);
}

TEST(PeResources, RefusesExecutablesItCannotRewriteWithAReason) {
  std::vector<std::uint8_t> good = stub("stub.exe");
  std::vector<std::uint8_t> signed_stub = good;
  pe::Image image = pe::parse_image(good);
  set_u32(signed_stub, image.directory_field_offset(pe::kSecurityDirectory) + 4, 16);
  signed_stub.resize(signed_stub.size() + 16, 0);
  std::vector<std::uint8_t> rom_image = good;
  set_u16(rom_image, image.optional_offset + pe::kOptMagic, 0x107);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> exe;
    const char* reason;
  } cases[] = {
      {"resources not last", stub("stub_reloc_last.exe"), "is not its last section"},
      {"truncated", std::vector<std::uint8_t>(good.begin(), good.begin() + 5000), "past the end of the file"},
      {"empty", {}, "outside the file"},
      {"not an executable", std::vector<std::uint8_t>(200, 'x'), "no \"MZ\""},
      {"signed", signed_stub, "signed"},
      {"neither PE32 nor PE32+", rom_image, "not a PE32 or PE32+ executable (optional header magic 0x107)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::uint8_t> out;
    std::string error;
    EXPECT_FALSE(replace_resource(c.exe, kRtRcdata, kPackageResourceId, {1, 2, 3, 4}, out, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

TEST(PeResources, ReadingEveryTruncationOfAnInstallerReportsInsteadOfCrashing) {
  std::vector<std::uint8_t> out = embed(stub("stub.exe"), pattern(300, 7));
  for (std::size_t length = 0; length < out.size(); length += 61) {
    SCOPED_TRACE(length);
    ResourceLookup lookup =
        read_resource(std::vector<std::uint8_t>(out.begin(), out.begin() + length), kRtRcdata, kPackageResourceId);
    EXPECT_FALSE(lookup.ok);
    EXPECT_FALSE(lookup.error.empty());
  }
}

TEST(ResourceOrder, NamedKeysComeFirstThenIdsAscending) {
  ResourceKey named_a{true, 0, u"ALPHA"};
  ResourceKey named_b{true, 0, u"BETA"};
  ResourceKey id_3 = ResourceKey::of_id(3);
  ResourceKey id_42 = ResourceKey::of_id(42);
  struct Case {
    const ResourceKey& first;
    const ResourceKey& second;
    const char* what;
  } cases[] = {{named_b, id_3, "a name before any id"},
               {named_a, named_b, "names by their characters"},
               {id_3, id_42, "ids ascending"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(comes_before(c.first, c.second));
    EXPECT_FALSE(comes_before(c.second, c.first));
  }
}

}  // namespace
}  // namespace mivora::writer
