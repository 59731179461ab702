#include "tools/script/script_compiler.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "package/format.hpp"
#include "tests/support/packages.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/inspect/package_walk.hpp"

namespace mivora::script {
namespace {

namespace fs = std::filesystem;
using namespace format;

class ScriptTest : public ::testing::Test {
 protected:
  // The package's bytes; fails the test on a script error.
  std::vector<std::uint8_t> compile(const std::string& text) {
    writer::PackageBuilder builder;
    try {
      compile_script_text(text, "setup.mivora", dir_.path(), CompileOptions{}, builder);
    } catch (const ScriptErrors& e) {
      ADD_FAILURE() << e.what();
      return {};
    }
    return builder.build();
  }

  // Every message of a script that must not compile.
  std::vector<std::string> errors_of(const std::string& text,
                                     std::uint64_t max_size = writer::kMaxInstallerPackageSize) {
    writer::PackageBuilder builder;
    CompileOptions options;
    options.max_package_size = max_size;
    try {
      compile_script_text(text, "setup.mivora", dir_.path(), options, builder);
    } catch (const ScriptErrors& e) {
      return e.messages;
    }
    return {};
  }

  static inspect::PackageWalk walk(const std::vector<std::uint8_t>& bytes) {
    return inspect::walk_package(test::view_of(bytes));
  }

  void source(const std::string& relative, const std::string& contents) { test::write_text(dir_ / relative, contents); }

  test::TempDir dir_;
};

std::string repeat(const std::string& line, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += line;
  return s;
}

TEST_F(ScriptTest, WorkedExampleScriptCompilesToItsSeventySixBytes) {
  std::string script = test::read_text(fs::path(MIVORA_SOURCE_DIR) / "examples" / "worked-example.mivora");
  EXPECT_EQ(compile(script), test::kWorkedExampleBytes);
}

struct BrokenScript {
  const char* what;
  std::string script;
  int line;
  const char* message;
};

TEST_F(ScriptTest, EachBrokenRuleIsReportedOnItsLine) {
  source("a.txt", "abc");
  source("folder/b.txt", "b");
  const std::string head = "name \"X\"\ntext \"T\"\npage no-back\ndest \"C:\\\\App\"\n";  // 4 lines
  const std::string files_ok = head + "list \"\"\nfile \"a.txt\" from \"a.txt\"\n";       // 6 lines
  const BrokenScript cases[] = {
      {"first page can go back", "text \"a\"\npage\ndone \"d\"\n", 2, "first page must have no-back"},
      {"list before dest", "page no-back\nlist \"x\"\n", 2, "needs a 'dest' before it"},
      {"file outside a list", head + "file \"a.txt\" from \"a.txt\"\ncopy \"c\"\ndone \"d\"\n", 5,
       "must follow a 'list'"},
      {"file after another command closes the list",
       files_ok + "text \"x\"\nfile \"b.txt\" from \"a.txt\"\ncopy \"c\"\ndone \"d\"\n", 8, "must follow a 'list'"},
      {"copy before dest", "page no-back\ncopy \"c\"\ndone \"d\"\n", 2, "'copy' needs a 'dest'"},
      {"list after copy", files_ok + "copy \"c\"\nlist \"y\"\ndone \"d\"\n", 8, "after 'copy' needs a new 'dest'"},
      {"files never copied", files_ok + "done \"d\"\n", 7, "never copied"},
      {"no done", head + "page\n", 5, "must end with 'done'"},
      {"after done", head + "done \"d\"\ntext \"late\"\n", 6, "nothing may follow 'done'"},
      {"129 files", head + "list \"\"\n" + repeat("file \"a.txt\" from \"a.txt\"\n", 129) + "copy \"c\"\ndone \"d\"\n",
       134, "more than 128 files"},
      {"33 lists", head + repeat("list \"d\"\n", 33) + "copy \"c\"\ndone \"d\"\n", 37, "more than 32 lists"},
      {"17 page runs", "page no-back\n" + repeat("page\n", 15) + "done \"d\"\n", 16, "more than 16 page runs"},
      {"copy counts as a page run", head + repeat("page\n", 14) + "copy \"c\"\ndone \"d\"\n", 19,
       "more than 16 page runs"},
      {"string of 256", "text \"" + std::string(256, 'x') + "\"\n", 1, "at most 255"},
      {"destination of 128", "dest \"" + std::string(128, 'x') + "\"\n", 1, "at most 127"},
      {"drive prefix counts", "dest \"" + std::string(126, 'x') + "\" drive\n", 1, "at most 127"},
      {"continue before any copy uses its string", "dest \"" + std::string(128, 'x') + "\" continue\n", 1,
       "at most 127"},
      {"continue measures paths by the copied destination",
       files_ok + "copy \"c\"\ndest \"" + std::string(200, 'x') + "\" continue\nlist \"\"\nfile \"" +
           std::string(250, 'f') + "\" from \"a.txt\"\n",
       10, "at most 255 fit"},
      {"path over 255",
       "page no-back\ndest \"" + std::string(120, 'd') + "\"\nlist \"" + std::string(100, 'l') + "\"\nfile \"" +
           std::string(40, 'f') + "\" from \"a.txt\"\n",
       4, "at most 255 fit"},
      {"separator in a name", head + "list \"\"\nfile \"x\\\\y\" from \"a.txt\"\n", 6, "contains '\\'"},
      {"reserved name", head + "list \"\"\nfile \"CON\" from \"a.txt\"\n", 6, "reserved device name"},
      {"reserved name with extension", head + "list \"\"\nfile \"lpt3.log\" from \"a.txt\"\n", 6,
       "reserved device name"},
      {"question mark", head + "list \"\"\nfile \"a?.txt\" from \"a.txt\"\n", 6, "contains '?'"},
      {"trailing dot", head + "list \"\"\nfile \"a.\" from \"a.txt\"\n", 6, "ends with a dot"},
      {"control character", head + "list \"\"\nfile \"a\\tb\" from \"a.txt\"\n", 6, "control character"},
      {"dot-dot directory", head + "list \"docs\\\\..\"\n", 5, "is not a file name"},
      {"not in code page", "text \"\xE4\xB8\xAD\"\n", 1, "U+4E2D '\xE4\xB8\xAD' has no equivalent in code page 1252"},
      {"missing source", head + "list \"\"\nfile \"m.txt\" from \"missing/m.txt\"\n", 6, "'missing/m.txt' not found"},
      {"folder as a file", head + "list \"\"\nfile \"f\" from \"folder\"\n", 6, "is a folder"},
      {"missing folder", head + "files \"x\" from \"nowhere\"\n", 5, "source folder 'nowhere' not found"},
      {"unknown command", "nmae \"X\"\n", 1, "unknown command 'nmae'"},
      {"unknown page flag", "page no-bak\n", 1, "unknown flag 'no-bak' (no-back, no-next)"},
      {"bad escape", "text \"a\\qb\"\n", 1, "unknown escape \\q"},
      {"open string", "text \"abc\n", 1, "no closing quote"},
      {"bad time", head + "list \"\"\nfile \"a\" from \"a.txt\" time 2024-13-01T00:00:00Z\n", 6, "is not a time"},
      {"not UTF-8", "text \"\xFF\"\n", 1, "not valid UTF-8"},
      {"missing argument", "text\n", 1, "expects its text as a quoted string"},
      {"extra argument", "copy \"c\" now\n", 1, "unexpected 'now'"},
  };
  for (const BrokenScript& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> errors = errors_of(c.script);
    std::string wanted = "setup.mivora:" + std::to_string(c.line) + ": ";
    bool found = false;
    for (const std::string& e : errors)
      found = found || (e.rfind(wanted, 0) == 0 && e.find(c.message) != std::string::npos);
    EXPECT_TRUE(found) << "wanted " << wanted << "..." << c.message << "\ngot:\n" << ::testing::PrintToString(errors);
  }
}

TEST_F(ScriptTest, EveryProblemIsReportedNotOnlyTheFirst) {
  std::vector<std::string> errors = errors_of("nmae \"X\"\npage\ntext \"a\\q\"\n");
  ASSERT_EQ(errors.size(), 4u) << ::testing::PrintToString(errors);
  EXPECT_EQ(errors[0].rfind("setup.mivora:1:", 0), 0u);
  EXPECT_EQ(errors[1].rfind("setup.mivora:2:", 0), 0u);
  EXPECT_EQ(errors[2].rfind("setup.mivora:3:", 0), 0u);
  EXPECT_NE(errors[3].find("must end with 'done'"), std::string::npos);
}

TEST_F(ScriptTest, PackageLargerThanTheInstallerCanMapIsRefusedAtTheFileThatPassesIt) {
  source("big.bin", std::string(3000, 'b'));
  std::vector<std::string> errors = errors_of(
      "page no-back\ndest \"C:\\\\A\"\nlist \"\"\nfile \"1\" from \"big.bin\"\nfile \"2\" from \"big.bin\"\n"
      "copy \"c\"\ndone \"d\"\n",
      5000);
  ASSERT_EQ(errors.size(), 1u) << ::testing::PrintToString(errors);
  EXPECT_EQ(errors[0].rfind("setup.mivora:5: ", 0), 0u) << errors[0];
  EXPECT_NE(errors[0].find("cannot load one larger than 5000 bytes"), std::string::npos) << errors[0];
}

TEST_F(ScriptTest, FolderTreeBecomesListsParentFirstWithEveryFolder) {
  source("tree/top.txt", "t");
  source("tree/b/inner/deep.txt", "dd");
  source("tree/a/one.txt", "1");
  source("tree/a/two.txt", "22");
  fs::create_directories(dir_ / "tree" / "b" / "empty");
  std::vector<std::uint8_t> bytes =
      compile("page no-back\ndest \"C:\\\\App\"\nfiles \"Prog\" from \"tree\"\ncopy \"c\"\ndone \"d\"\n");
  std::string layout;
  for (const inspect::WalkedCommand& c : walk(bytes).commands) {
    if (c.info->tag == kTagList) layout += "[" + c.text + "]";
    if (c.info->tag == kTagFile) layout += c.text + ";";
  }
  EXPECT_EQ(layout, "[Prog]top.txt;[Prog\\a]one.txt;two.txt;[Prog\\b][Prog\\b\\empty][Prog\\b\\inner]deep.txt;");
}

TEST_F(ScriptTest, FileRightAfterFilesJoinsTheLastFoldersList) {
  source("tree/top.txt", "t");
  source("tree/sub/in.txt", "i");
  source("b.txt", "b");
  std::vector<std::uint8_t> bytes = compile(
      "page no-back\ndest \"C:\\\\App\"\nfiles \"Prog\" from \"tree\"\nfile \"b.txt\" from \"b.txt\"\n"
      "copy \"c\"\ndone \"d\"\n");
  inspect::PackageWalk w = walk(bytes);
  ASSERT_TRUE(w.ok()) << w.problems.front().message;
  std::string layout;
  for (const inspect::WalkedCommand& c : w.commands) {
    if (c.info->tag == kTagList) layout += "[" + c.text + "]";
    if (c.info->tag == kTagFile) layout += c.text + ";";
  }
  EXPECT_EQ(layout, "[Prog]top.txt;[Prog\\sub]in.txt;b.txt;");
}

TEST_F(ScriptTest, FolderTreeBelowANonAsciiDirectoryIsStoredInTheCodePage) {
  source("tree/a.txt", "a");
  source("tree/\xC3\xA9t\xC3\xA9/b.txt", "b");
  std::vector<std::uint8_t> bytes =
      compile("page no-back\ndest \"C:\\\\App\"\nfiles \"D\xC3\xBC\" from \"tree\"\ncopy \"c\"\ndone \"d\"\n");
  std::string layout;
  for (const inspect::WalkedCommand& c : walk(bytes).commands) {
    if (c.info->tag == kTagList) layout += "[" + c.text + "]";
    if (c.info->tag == kTagFile) layout += c.text + ";";
  }
  EXPECT_EQ(layout, "[D\xFC]a.txt;[D\xFC\\\xE9t\xE9]b.txt;");
}

TEST_F(ScriptTest, FileTimeIsTheExplicitTimeOrTheSourcesModificationTime) {
  source("a.txt", "abc");
  fs::last_write_time(dir_ / "a.txt",
                      std::chrono::file_clock::from_sys(std::chrono::sys_days{std::chrono::year{2021} / 3 / 4} +
                                                        std::chrono::seconds{5}));
  std::vector<std::uint8_t> bytes = compile(
      "page no-back\ndest \"C:\\\\A\"\nlist \"\"\nfile \"x\" from \"a.txt\" time 2024-01-02T03:04:05.1234567Z\n"
      "file \"y\" from \"a.txt\"\ncopy \"c\"\ndone \"d\"\n");
  std::vector<FileTime> times;
  for (const inspect::WalkedCommand& c : walk(bytes).commands)
    if (c.info->tag == kTagFile) times.push_back(c.file.time);
  ASSERT_EQ(times.size(), 2u);
  // 2024-01-02T03:04:05Z is Unix 1704164645; 2021-03-04T00:00:05Z is 1614816005.
  EXPECT_EQ(times[0].ticks(), (1704164645ull + 11644473600ull) * 10000000ull + 1234567ull);
  EXPECT_EQ(times[1].ticks(), (1614816005ull + 11644473600ull) * 10000000ull);
}

TEST_F(ScriptTest, TextsAreStoredOnceInTheAnsiCodePageWithTheirEscapes) {
  std::vector<std::uint8_t> bytes = compile(
      "name \"Caf\xC3\xA9 \xE2\x82\xAC\"\ntext \"a\\n\\\"b\\\"\\\\\\x81\"\ntext2 \"Caf\xC3\xA9 \xE2\x82\xAC\"\n"
      "page no-back\ndone \"d\"\n");
  inspect::PackageWalk w = walk(bytes);
  ASSERT_TRUE(w.ok());
  EXPECT_EQ(w.commands[0].text, "Caf\xE9 \x80");
  EXPECT_EQ(w.commands[1].text, "a\n\"b\"\\\x81");
  EXPECT_EQ(w.commands[2].arguments[0], w.commands[0].arguments[0]) << "identical strings share one reference";
}

}  // namespace
}  // namespace mivora::script
