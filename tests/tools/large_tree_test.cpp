// Trees larger than the installer's tables: they go on in parts into the
// destination the user chose, as far as the script's 16 page runs allow,
// and past that are refused once.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "package/format.hpp"
#include "tests/support/processes.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/inspect/package_dump.hpp"
#include "tools/inspect/package_walk.hpp"
#include "tools/script/group_split.hpp"
#include "tools/script/script_compiler.hpp"

namespace mivora::script {
namespace {

namespace fs = std::filesystem;
using namespace format;

std::string repeat(const std::string& line, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += line;
  return s;
}

std::string numbered(const std::string& prefix, int n) {
  std::string digits = std::to_string(n);
  return prefix + std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
}

class LargeTree : public ::testing::Test {
 protected:
  // `count` one-byte files in tree/`folder`; their paths below "App", in order.
  std::vector<std::string> add_files(const std::string& folder, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
      std::string name = numbered("f", i) + ".txt";
      test::write_text(dir_ / "tree" / folder / name, "x");
      paths.push_back("App" + (folder.empty() ? "" : "\\" + folder) + "\\" + name);
    }
    if (count == 0) fs::create_directories(dir_ / "tree" / folder);
    return paths;
  }

  CompileResult compile(const std::string& script) {
    builder_ = writer::PackageBuilder{};
    return compile_script(script, "setup.mivora", dir_.path(), {}, builder_);
  }

  inspect::PackageWalk walk() {
    bytes_ = builder_.build();
    return inspect::walk_package(ByteView{bytes_.data(), static_cast<std::uint32_t>(bytes_.size())});
  }

  test::TempDir dir_;
  writer::PackageBuilder builder_;
  std::vector<std::uint8_t> bytes_;
};

// Lists past the list table, without a folder on disk for each (removing
// thousands of folders takes this disk half a minute): `count` lists of the
// destination itself, each with one file "fNNNN.txt" read from one source.
// Their names in order, and the script lines.
struct ManyLists {
  std::vector<std::string> names;
  std::string lines;
};

ManyLists many_lists(int count) {
  ManyLists m;
  for (int i = 0; i < count; ++i) {
    m.names.push_back(numbered("f", i) + ".txt");
    m.lines += "list \"\"\nfile \"" + m.names.back() + "\" from \"one.txt\"\n";
  }
  return m;
}

// Two full list tables and one list more: three parts.
constexpr int kListsForThreeParts = 2 * static_cast<int>(kMaxListsPerGroup) + 1;

TEST_F(LargeTree, GoesOnInPartsThatContinueInTheChosenDestinationWithoutAPage) {
  test::write_text(dir_ / "one.txt", "x");
  const ManyLists lists = many_lists(kListsForThreeParts);
  CompileResult result = compile("name \"Big\"\npage no-back\ndest \"\\\\App\" drive\npage\n" + lists.lines +
                                 "copy \"Copying\"\ndone \"Done\"\n");
  ASSERT_TRUE(result.ok()) << ::testing::PrintToString(result.errors);
  inspect::PackageWalk w = walk();
  ASSERT_TRUE(w.ok()) << w.problems.front().message;

  std::vector<std::string> installed;
  int dests = 0, copies = 0;
  std::uint32_t files_in_group = 0, lists_in_group = 0;
  bool page_after_first_copy = false;
  for (const inspect::WalkedCommand& c : w.commands) {
    switch (c.command()) {
      case Command::kDest:
        EXPECT_EQ(c.text, "\\App");
        EXPECT_EQ(c.arguments[1], dests == 0 ? kDestDrivePrefix : kDestDrivePrefix | kDestSameDestination | kDestFixed);
        ++dests;
        files_in_group = lists_in_group = 0;
        break;
      case Command::kList:
        EXPECT_LE(++lists_in_group, kMaxListsPerGroup);
        break;
      case Command::kFile:
        installed.push_back(c.text);
        EXPECT_LE(++files_in_group, kMaxFilesPerGroup);
        break;
      case Command::kCopy:
        EXPECT_EQ(c.text, "Copying");
        ++copies;
        break;
      case Command::kPage: page_after_first_copy = page_after_first_copy || copies > 0; break;
      default: break;
    }
  }
  EXPECT_EQ(copies, 3) << kListsForThreeParts << " lists take three parts";
  EXPECT_EQ(dests, copies);
  EXPECT_FALSE(page_after_first_copy);
  EXPECT_EQ(installed, lists.names) << "every file once, in the script's order";

  // dump shows the parts as the script they are, and it builds the same bytes.
  inspect::DumpOptions options;
  options.extract_to = dir_ / "dumped";
  std::string listing = inspect::dump_package(ByteView{bytes_.data(), static_cast<std::uint32_t>(bytes_.size())}, w,
                                              options);
  EXPECT_NE(listing.find("dest \"\\\\App\" fixed drive continue\n"), std::string::npos);
  test::write_text(dir_ / "dumped" / "package.mivora", listing);
  writer::PackageBuilder again;
  ASSERT_TRUE(compile_script(listing, "package.mivora", dir_ / "dumped", {}, again).ok());
  EXPECT_EQ(again.build(), bytes_);
}

// 580 files in 41 folders passed the tables as they were (128 files, 32
// lists); within today's they are one group, with no parts.
TEST_F(LargeTree, TreeWithinTheTablesIsNotLaidOutInParts) {
  for (int d = 0; d < 40; ++d) add_files(numbered("d", d), 7);
  add_files("", 300);
  CompileResult result =
      compile("page no-back\ndest \"C:\\\\A\"\nfiles \"App\" from \"tree\"\ncopy \"c\"\ndone \"d\"\n");
  ASSERT_TRUE(result.ok()) << ::testing::PrintToString(result.errors);
  inspect::PackageWalk w = walk();
  ASSERT_TRUE(w.ok());
  auto count = [&w](Command command) {
    return std::count_if(w.commands.begin(), w.commands.end(),
                         [command](const inspect::WalkedCommand& c) { return c.command() == command; });
  };
  EXPECT_EQ(count(Command::kCopy), 1);
  EXPECT_EQ(count(Command::kList), 41);
  EXPECT_EQ(count(Command::kFile), 580);
}

TEST_F(LargeTree, PartsFitWhilePageRunsAreLeftAndPastThatOneMessageSaysHowManyFilesFit) {
  test::write_text(dir_ / "one.txt", "x");
  const ManyLists lists = many_lists(kListsForThreeParts);
  struct Case {
    int pages;
    bool builds;
  } cases[] = {{12, true}, {13, false}};  // 1 + 12 pages + 3 copies = 16 page runs
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pages);
    CompileResult result = compile("page no-back\n" + repeat("page\n", c.pages - 1) + "dest \"C:\\\\A\"\n" +
                                   lists.lines + "copy \"c\"\ndone \"d\"\n");
    if (c.builds) {
      EXPECT_TRUE(result.ok()) << ::testing::PrintToString(result.errors);
      EXPECT_TRUE(walk().ok());
      continue;
    }
    ASSERT_EQ(result.errors.size(), 1u) << ::testing::PrintToString(result.errors);
    // At the last list, the first that the parts allowed leave out.
    const int last_list_line = c.pages + 1 + 2 * kListsForThreeParts - 1;
    EXPECT_EQ(result.errors[0].rfind("setup.mivora:" + std::to_string(last_list_line) + ": ", 0), 0u)
        << result.errors[0];
    EXPECT_NE(result.errors[0].find("has 8193 files in 8193 lists,"), std::string::npos) << result.errors[0];
    EXPECT_NE(result.errors[0].find("more than one copy takes (65536 files, 4096 lists)"), std::string::npos)
        << result.errors[0];
    EXPECT_NE(result.errors[0].find("allow 2 parts, which hold 8192 of its files"), std::string::npos)
        << result.errors[0];
  }
}

TEST_F(LargeTree, FarTooLargeIsOneMessageNotOneAFile) {
  test::write_text(dir_ / "one.txt", "x");
  // 1 + 14 pages + 1 copy: no page run is left for a second part.
  CompileResult result = compile("page no-back\n" + repeat("page\n", 13) + "dest \"C:\\\\A\"\n" +
                                 many_lists(kListsForThreeParts).lines + "copy \"c\"\ndone \"d\"\n");
  ASSERT_EQ(result.errors.size(), 1u) << result.errors.size() << " messages, the first: " << result.errors.front();
  EXPECT_NE(result.errors[0].find("has 8193 files"), std::string::npos) << result.errors[0];
  EXPECT_NE(result.errors[0].find("allow 1 part, which hold 4096 of its files"), std::string::npos)
      << result.errors[0];
}

// A list longer than the file table goes on in the next part as a list of
// the same directory; a full list table starts a part even for an empty list.
TEST(TableFiller, ListPastTheFileTableGoesOnInTheNextPart) {
  TableFiller filler;
  TableFiller::Piece first = filler.next_piece(kMaxFilesPerGroup + 1);
  EXPECT_FALSE(first.starts_part);
  EXPECT_EQ(first.files, kMaxFilesPerGroup);
  TableFiller::Piece rest = filler.next_piece(1);
  EXPECT_TRUE(rest.starts_part);
  EXPECT_EQ(rest.files, 1u);
  EXPECT_EQ(filler.parts(), 2u);
}

TEST(TableFiller, FullListTableStartsAPartEvenForAnEmptyList) {
  TableFiller filler;
  for (std::uint32_t i = 0; i < kMaxListsPerGroup; ++i) ASSERT_FALSE(filler.next_piece(i % 2).starts_part) << i;
  EXPECT_EQ(filler.parts(), 1u);
  EXPECT_TRUE(filler.next_piece(0).starts_part);
  EXPECT_EQ(filler.parts(), 2u);
}

TEST(PageRuns, SixteenRunsBuildAndTheSeventeenthIsRefusedOnce) {
  test::TempDir dir;
  test::write_text(dir / "a.txt", "a");
  const std::string group = "dest \"C:\\\\A\"\nlist \"\"\nfile \"a\" from \"a.txt\"\ncopy \"c\"\n";
  struct Case {
    const char* what;
    std::string script;
    std::size_t errors;
  } cases[] = {
      {"15 page lines", "page no-back\n" + repeat("page\n", 14) + "done \"d\"\n", 0},
      {"14 page lines and a copy", "page no-back\n" + repeat("page\n", 13) + group + "done \"d\"\n", 0},
      {"16 page lines", "page no-back\n" + repeat("page\n", 15) + "done \"d\"\n", 1},
      {"18 page lines", "page no-back\n" + repeat("page\n", 17) + "done \"d\"\n", 1},
      {"15 page lines and a copy", "page no-back\n" + repeat("page\n", 14) + group + "done \"d\"\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writer::PackageBuilder builder;
    CompileResult result = compile_script(c.script, "setup.mivora", dir.path(), {}, builder);
    EXPECT_EQ(result.errors.size(), c.errors) << ::testing::PrintToString(result.errors);
  }
}

}  // namespace
}  // namespace mivora::script
