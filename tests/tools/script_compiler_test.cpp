#include "tools/script/script_compiler.hpp"

#include <gtest/gtest.h>

#include <algorithm>
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

const fs::path kWizardIcon = fs::path(MIVORA_SOURCE_DIR) / "wizard" / "mivora.ico";

class ScriptTest : public ::testing::Test {
 protected:
  // The package's bytes; fails the test on a script error.
  std::vector<std::uint8_t> compile(const std::string& text) {
    writer::PackageBuilder builder;
    CompileResult result = compile_script(text, "setup.mivora", dir_.path(), installer_options(), builder);
    if (!result.ok()) {
      ADD_FAILURE() << result.errors.front();
      return {};
    }
    return builder.build();
  }

  // Every message of a script that must not compile.
  std::vector<std::string> errors_of(const std::string& text,
                                     std::uint64_t max_size = writer::kMaxInstallerPackageSize) {
    writer::PackageBuilder builder;
    CompileOptions options = installer_options();
    options.max_package_size = max_size;
    return compile_script(text, "setup.mivora", dir_.path(), options, builder).errors;
  }

  static CompileOptions installer_options() {
    CompileOptions options;
    options.installer_name = "setup.exe";
    return options;
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

// `count` lines "file \"fN\" from \"a.txt\"", N from 1.
std::string numbered_files(int count) {
  std::string s;
  for (int i = 1; i <= count; ++i) s += "file \"f" + std::to_string(i) + "\" from \"a.txt\"\n";
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
  std::string message;
};

TEST_F(ScriptTest, EachBrokenRuleIsReportedOnItsLine) {
  source("a.txt", "abc");
  source("folder/b.txt", "b");
  source("cased/README.TXT", "1");
  source("cased/Readme.txt", "2");
  source("far/\xE6\x97\xA5.txt", "n");  // U+65E5
  source("deep/x/y/CON.txt", "c");
  source("long/" + std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(60, 'c') + "/f.txt", "l");
  source("empty.ico", "");
  source("junk.ico", "not an icon at all");
  source("ok.txt", "Terms");
  source("cn.txt", "ok\nab\xE4\xB8\xAD\n");  // U+4E2D on line 2, column 3
  source("nul.txt", std::string("a\0b", 3));
  source("long.txt", std::string(32768, '\n'));  // 65536 bytes once each LF is CR LF
  test::write_bytes(dir_ / "app.ico", test::read_bytes(kWizardIcon));
  const std::string head = "name \"X\"\ntext \"T\"\npage no-back\ndest \"C:\\\\App\"\n";  // 4 lines
  const std::string files_ok = head + "list \"\"\nfile \"a.txt\" from \"a.txt\"\n";       // 6 lines
  constexpr int kFiles = static_cast<int>(format::kMaxFilesPerGroup);
  constexpr int kLists = static_cast<int>(format::kMaxListsPerGroup);
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
      {"a file past the file table and no copy to go on after",
       head + "list \"\"\n" + numbered_files(kFiles + 1) + "done \"d\"\n", 4 + 1 + kFiles + 1,
       "has 65537 files, and the installer's file table holds 65536: end the group with a 'copy' after at most "
       "65536 files"},
      {"a list past the list table and no copy to go on after",
       head + repeat("list \"d\"\n", kLists + 1) + "done \"d\"\n", 4 + kLists + 1,
       "has 4097 lists (a 'files' tree makes one a folder), and the installer's list table holds 4096: end the "
       "group with a 'copy' after at most 4096 lists"},
      {"a file past the file table and no page run left to go on in",
       "page no-back\n" + repeat("page\n", 13) + "dest \"C:\\\\A\"\nlist \"\"\n" + numbered_files(kFiles + 1) +
           "copy \"c\"\ndone \"d\"\n",
       16, "the page runs left allow 1 part, which hold 65536 of its files"},
      {"16 page lines", "page no-back\n" + repeat("page\n", 15) + "done \"d\"\n", 16,
       "this is the 16th 'page' or 'copy', but 15 fit"},
      {"copy counts as a page run", head + repeat("page\n", 14) + "copy \"c\"\ndone \"d\"\n", 19,
       "this is the 16th 'page' or 'copy'"},
      {"string of 256", "text \"" + std::string(256, 'x') + "\"\n", 1, "at most 255"},
      {"page text of 256 with its marks doubled", "done \"" + std::string(250, 'x') + "&&&\"\n", 1,
       "the text is 253 characters and 256 as stored, with each '&' twice so that it shows; a package string "
       "holds at most 255"},
      {"destination of 128", "dest \"" + std::string(128, 'x') + "\"\n", 1, "at most 127"},
      {"drive prefix counts", "dest \"" + std::string(126, 'x') + "\" drive\n", 1, "at most 127"},
      {"empty fixed destination", "dest \"\" fixed\n", 1, "the default destination is empty, and 'fixed' keeps"},
      {"relative fixed destination", "dest \"rel\\\\dir\" fixed\n", 1,
       "the default destination 'rel\\dir' is not a full path"},
      {"drive-relative fixed destination", "dest \"C:App\" fixed\n", 1, "'C:App' is not a full path"},
      {"own drive with drive", "dest \"C:\\\\App\" drive\n", 1, "has its own drive, and 'drive' puts"},
      {"network path with drive", "dest \"\\\\\\\\srv\\\\share\" drive\n", 1, "is a network path, and 'drive'"},
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
      {"missing source", head + "list \"\"\nfile \"m.txt\" from \"missing/m.txt\"\n", 6, "missing/m.txt: not found"},
      {"folder as a file", head + "list \"\"\nfile \"f\" from \"folder\"\n", 6, "is a folder"},
      {"missing folder", head + "files \"x\" from \"nowhere\"\n", 5, "nowhere: not found"},
      {"a name twice in one list", files_ok + "file \"a.txt\" from \"a.txt\"\n", 7,
       "'a.txt' is the same file on Windows as the one at line 6"},
      {"names that differ in case only", files_ok + "file \"A.TXT\" from \"a.txt\"\n", 7,
       "'A.TXT' is the same file on Windows as the one at line 6: Windows compares names without regard to case"},
      {"one name in two lists of one directory", files_ok + "list \"\"\nfile \"\xC3\xA0.txt\" from \"a.txt\"\n"
       "list \"\"\nfile \"\xC3\x80.TXT\" from \"a.txt\"\n", 10, "the same file on Windows as the one at line 8"},
      {"names in a tree that differ in case only", head + "files \"\" from \"cased\"\n", 5,
       "cased/Readme.txt: 'Readme.txt' is the same file on Windows as the one at line 5 (cased/README.TXT)"},
      {"a file where a list makes a folder", files_ok + "list \"a.txt\\\\in\"\n", 7,
       "the folder 'a.txt' is a file already, the one at line 6"},
      {"a name outside the code page in a tree", head + "files \"\" from \"far\"\n", 5,
       "far/\xE6\x97\xA5.txt: character U+65E5"},
      {"a reserved name deep in a tree", head + "files \"\" from \"deep\"\n", 5,
       "deep/x/y/CON.txt: 'CON.txt' is a reserved device name"},
      {"a folder path in a tree over 255", head + "files \"\" from \"long\"\n", 5,
       "long/" + std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(60, 'c') +
           ": the folder's path below the destination"},
      {"superscript device digits", files_ok + "file \"COM\xC2\xB9.txt\" from \"a.txt\"\n", 7,
       "reserved device name"},
      {"NUL in a text", "text \"a\\x00b\"\n", 1, "cannot hold a NUL character"},
      {"a file as a tree", head + "files \"x\" from \"a.txt\"\n", 5, "a.txt: is a file: use 'file'"},
      {"unknown command", "nmae \"X\"\n", 1, "unknown command 'nmae'"},
      {"unknown page flag", "page no-bak\n", 1, "unknown flag 'no-bak' (no-back, no-next)"},
      {"bad escape", "text \"a\\qb\"\n", 1, "unknown escape \\q"},
      {"open string", "text \"abc\n", 1, "no closing quote"},
      {"bad time", head + "list \"\"\nfile \"a\" from \"a.txt\" time 2024-13-01T00:00:00Z\n", 6, "is not a time"},
      {"not UTF-8", "text \"\xFF\"\n", 1, "not valid UTF-8"},
      {"missing argument", "text\n", 1, "expects its text as a quoted string"},
      {"extra argument", "copy \"c\" now\n", 1, "unexpected 'now'"},
      {"identity after the first page", "page no-back\nbrand \"B\"\n", 2,
       "'brand' says what the installer is and comes before the first 'page' (line 1)"},
      {"identity word twice", "icon \"app.ico\"\nname \"N\"\nicon \"app.ico\"\n", 3,
       "'icon' is given twice, at line 1 and here"},
      {"missing icon", "icon \"none.ico\"\n", 1, "none.ico: not found"},
      {"empty icon", "icon \"empty.ico\"\n", 1, "empty.ico: is empty, not an icon file"},
      {"malformed icon", "icon \"junk.ico\"\n", 1, "junk.ico: the icon file does not start with an icon directory"},
      {"bad version number", "version \"1.2.x\"\n", 1, "version \"1.2.x\": \"x\" is not a number"},
      {"unknown elevation", "elevation root\n", 1, "unknown elevation 'root' (admin, highest, user)"},
      {"brand too long", "brand \"" + std::string(48, 'B') + "\"\n", 1, "48 characters; the line shows at most 47"},
      {"brand outside the code page", "brand \"\xE4\xB8\xAD\"\n", 1, "has no equivalent in code page 1252"},
      {"brand of two lines", "brand \"a\\nb\"\n", 1, "the brand is one line"},
      {"a code page byte in a Unicode text", "product \"\\xE9\"\n", 1, "write the character itself, not \\xE9"},
      {"license file missing", "page no-back\nlicense \"nope.txt\"\npage no-next\ndone \"d\"\n", 2, "nope.txt: "},
      {"license outside the code page", "page no-back\nlicense \"cn.txt\"\npage no-next\ndone \"d\"\n", 2,
       "cn.txt: line 2, column 3: character U+4E2D"},
      {"license with a NUL", "page no-back\nlicense \"nul.txt\"\npage no-next\ndone \"d\"\n", 2,
       "nul.txt: line 1, column 2: a NUL character"},
      {"license too long", "page no-back\nlicense \"long.txt\"\npage no-next\ndone \"d\"\n", 2,
       "long.txt: the license text is 65536 bytes"},
      {"text and license on one page", "page no-back\ntext \"t\"\nlicense \"ok.txt\"\npage no-next\ndone \"d\"\n", 3,
       "are on one page"},
      {"text2 and license on one page", "page no-back\nlicense \"ok.txt\"\ntext2 \"t\"\npage no-next\ndone \"d\"\n", 3,
       "'text2' and the 'license' at line 2 are on one page"},
      {"license page lets Next go on", "page no-back\nlicense \"ok.txt\"\npage\ndone \"d\"\n", 3, "needs no-next"},
      {"license with no page", "page no-back\nlicense \"ok.txt\"\ndone \"d\"\n", 2,
       "needs a 'page no-next' after it"},
      {"version texts too long", "company \"c\"\ncopyright \"" + std::string(40000, 'c') + "\"\n", 2,
       "at most 65535 fit"},
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

TEST_F(ScriptTest, IdentityCommandsMakeTheInstallersIdentity) {
  test::write_bytes(dir_ / "art" / "app.ico", test::read_bytes(kWizardIcon));
  writer::PackageBuilder builder;
  CompileResult all = compile_script(
      "icon \"art/app.ico\"\nversion \"2.1\"\nproduct \"Caf\xC3\xA9\"\ncompany \"\xE6\x97\xA5 & Co\"\n"
      "description \"Setup\"\ncopyright \"\xC2\xA9 2024\"\nelevation highest\nbrand \"Caf\xC3\xA9 & \\xE9\"\n"
      "page no-back\ndone \"d\"\n",
      "setup.mivora", dir_.path(), installer_options(), builder);
  ASSERT_TRUE(all.ok()) << ::testing::PrintToString(all.errors);
  EXPECT_TRUE(all.warnings.empty()) << ::testing::PrintToString(all.warnings);
  const writer::InstallerIdentity& identity = all.identity;
  ASSERT_TRUE(identity.icon && identity.version);
  EXPECT_EQ(identity.icon->group, writer::parse_icon_file(test::read_bytes(kWizardIcon)).group);
  EXPECT_EQ(identity.version->version->text(), "2.1.0.0");
  EXPECT_EQ(identity.version->product, "Caf\xC3\xA9");
  EXPECT_EQ(identity.version->company, "\xE6\x97\xA5 & Co") << "version texts take any character";
  EXPECT_EQ(identity.version->description, "Setup");
  EXPECT_EQ(identity.version->copyright, "\xC2\xA9 2024");
  EXPECT_EQ(identity.version->original_filename, "setup.exe");
  EXPECT_EQ(identity.version->code_page, 1252);
  EXPECT_EQ(identity.elevation, writer::Elevation::highest);
  EXPECT_EQ(identity.brand, "Caf\xC3\xA9 & \xC3\xA9") << "\\xE9 is the code page's \xC3\xA9";
  EXPECT_NE(std::find(all.source_files.begin(), all.source_files.end(), dir_ / "art/app.ico"), all.source_files.end())
      << "-o may not replace the icon";

  CompileResult none = compile_script("page no-back\ndone \"d\"\n", "setup.mivora", dir_.path(), installer_options(),
                                      builder);
  EXPECT_EQ(none.identity.elevation, writer::Elevation::admin) << "every installer gets a manifest";
  EXPECT_FALSE(none.identity.icon || none.identity.version || none.identity.brand);
}

TEST_F(ScriptTest, IdentityOfABarePackageWarnsThatNothingCarriesIt) {
  writer::PackageBuilder builder;
  CompileResult result =
      compile_script("name \"N\"\nbrand \"B\"\nelevation user\npage no-back\ndone \"d\"\n", "setup.mivora",
                     dir_.path(), CompileOptions{}, builder);
  ASSERT_TRUE(result.ok()) << ::testing::PrintToString(result.errors);
  ASSERT_EQ(result.warnings.size(), 1u) << ::testing::PrintToString(result.warnings);
  EXPECT_EQ(result.warnings[0].rfind("setup.mivora:2: warning: ", 0), 0u) << result.warnings[0];
  EXPECT_NE(result.warnings[0].find("bare package"), std::string::npos) << result.warnings[0];
}

TEST_F(ScriptTest, UserElevationWarnsOfDestinationsOnlyAnAdministratorMayWrite) {
  struct Case {
    const char* elevation;
    const char* dest;  // as the script writes it
    const char* folder;  // named in the warning, or none
  } cases[] = {
      {"user", "C:\\\\Program Files\\\\App\"", "Program Files"},
      {"user", "d:\\\\program files (x86)\\\\App\"", "Program Files (x86)"},
      {"user", "\\\\WINDOWS\\\\App\" drive", "Windows"},
      {"user", "C:/Windows/App\"", "Windows"},
      {"user", "C:\\\\Program Files Extra\\\\App\"", nullptr},
      {"user", "C:\\\\Users\\\\Public\\\\Program Files\"", nullptr},
      {"user", "Program Files\\\\App\"", nullptr},
      {"highest", "C:\\\\Program Files\\\\App\"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.elevation) + " " + c.dest);
    writer::PackageBuilder builder;
    CompileResult result = compile_script("elevation " + std::string(c.elevation) + "\npage no-back\ndest \"" + c.dest +
                                              "\npage\ndone \"d\"\n",
                                          "setup.mivora", dir_.path(), installer_options(), builder);
    ASSERT_TRUE(result.ok()) << ::testing::PrintToString(result.errors);
    // A relative default warns of itself.
    std::erase_if(result.warnings, [](const std::string& w) { return w.find("not a full path") != std::string::npos; });
    if (c.folder == nullptr) {
      EXPECT_TRUE(result.warnings.empty()) << ::testing::PrintToString(result.warnings);
      continue;
    }
    ASSERT_EQ(result.warnings.size(), 1u) << ::testing::PrintToString(result.warnings);
    EXPECT_EQ(result.warnings[0].rfind("setup.mivora:3: warning: the default destination lies under " +
                                           std::string(c.folder) + ",",
                                       0),
              0u)
        << result.warnings[0];
  }
}

TEST_F(ScriptTest, DestinationsAndPagesThatWorkOnlyByLuckWarn) {
  struct Case {
    const char* lines;    // from line 2 on
    const char* warning;  // on line 2, or none
  } cases[] = {
      {"dest \"\"\npage\n", "the default destination is empty: the user must type a full path"},
      {"dest \"App\"\npage\n", "the default destination 'App' is not a full path"},
      {"dest \"%ProgramFiles%\\\\App\"\npage\n", "the installer does not expand %ProgramFiles%: the default "
                                                  "destination is taken literally"},
      {"dest \"C:\\\\100%\"\npage\n", nullptr},
      {"dest \"\\\\App\" drive fixed\npage\n", nullptr},
      {"dest \"\\\\\\\\srv\\\\share\"\npage\n", nullptr},
      {"page no-back no-next\n", "can be left only with Cancel"},
      {"license \"l.txt\"\npage no-back no-next\n", nullptr},
  };
  source("l.txt", "terms");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    writer::PackageBuilder builder;
    CompileResult result = compile_script("page no-back\n" + std::string(c.lines) + "done \"d\"\n", "setup.mivora",
                                          dir_.path(), installer_options(), builder);
    ASSERT_TRUE(result.ok()) << ::testing::PrintToString(result.errors);
    if (c.warning == nullptr) {
      EXPECT_TRUE(result.warnings.empty()) << ::testing::PrintToString(result.warnings);
      continue;
    }
    ASSERT_FALSE(result.warnings.empty());
    EXPECT_EQ(result.warnings[0].rfind("setup.mivora:2: warning: ", 0), 0u) << result.warnings[0];
    EXPECT_NE(result.warnings.back().find(c.warning), std::string::npos) << ::testing::PrintToString(result.warnings);
  }
}

TEST_F(ScriptTest, TextsLongerThanTheirPlaceShowsWarnWithWhatFits) {
  const std::string words = repeat("word ", 24);  // 120 characters, nine words a line
  struct Case {
    std::string line;
    const char* warning;  // after "setup.mivora:1: warning: ", or none
  } cases[] = {
      {"text \"Licence: the demo files are yours to copy, change and share, with no warranty.\"", nullptr},
      {"text \"" + words + "\"", "the text takes 3 lines, and the page shows 2 of about 45 characters: its first 90 of "
                               "120 characters fit"},
      {"text2 \"a\\nb\\nc\"", "the text takes 3 lines, and the page shows 2 of about 45 characters: its first 3 of 5"},
      {"copy \"" + std::string(100, 'x') + "\"", "its first 90 of 100 characters fit"},
      {"done \"" + words + "\"", "its first 90 of 120 characters fit"},
      {"name \"" + std::string(45, 'N') + "\"", nullptr},
      {"name \"" + std::string(46, 'N') + "\"", "the name has 46 characters, and the title bar shows about 45"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    writer::PackageBuilder builder;
    CompileResult result = compile_script(c.line + "\n", "setup.mivora", dir_.path(), installer_options(), builder);
    std::vector<std::string> fit;
    for (const std::string& w : result.warnings)
      if (w.find("characters") != std::string::npos) fit.push_back(w);
    if (c.warning == nullptr) {
      EXPECT_TRUE(fit.empty()) << ::testing::PrintToString(fit);
      continue;
    }
    ASSERT_EQ(fit.size(), 1u) << ::testing::PrintToString(result.warnings);
    EXPECT_EQ(fit[0].rfind("setup.mivora:1: warning: ", 0), 0u) << fit[0];
    EXPECT_NE(fit[0].find(c.warning), std::string::npos) << fit[0];
  }
}

TEST_F(ScriptTest, LicenseIsStoredInTheCodePageWithCrLfAndItsZero) {
  source("l.txt", "\xEF\xBB\xBF" "Caf\xC3\xA9\nline\r\nend\rx");  // a BOM, LF, CR LF, a lone CR
  source("full.txt", std::string(65535, 'x'));
  std::vector<std::uint8_t> bytes = compile(
      "page no-back\nlicense \"l.txt\"\npage no-next\nlicense \"full.txt\"\npage no-next\ndone \"d\"\n");
  inspect::PackageWalk w = walk(bytes);
  ASSERT_TRUE(w.ok()) << w.problems.front().message;
  std::vector<std::string> texts;
  for (const inspect::WalkedCommand& c : w.commands)
    if (c.command() == Command::kLicense) {
      texts.push_back(c.text);
      EXPECT_EQ(c.arguments[1], c.text.size() + 1);
      EXPECT_EQ(bytes.at(c.arguments[0] + c.text.size()), 0);
    }
  EXPECT_EQ(texts, (std::vector<std::string>{"Caf\xE9\r\nline\r\nend\rx", std::string(65535, 'x')}));
}

TEST_F(ScriptTest, EveryProblemIsReportedNotOnlyTheFirst) {
  std::vector<std::string> errors = errors_of("nmae \"X\"\npage\ntext \"a\\q\"\n");
  ASSERT_EQ(errors.size(), 4u) << ::testing::PrintToString(errors);
  EXPECT_EQ(errors[0].rfind("setup.mivora:1:", 0), 0u);
  EXPECT_EQ(errors[1].rfind("setup.mivora:2:", 0), 0u);
  EXPECT_EQ(errors[2].rfind("setup.mivora:3:", 0), 0u);
  EXPECT_NE(errors[3].find("must end with 'done'"), std::string::npos);
}

TEST_F(ScriptTest, ByteOrderMarkAndCrLfLineEndsReadAsThePlainScript) {
  const std::string plain = "name \"X\"\ntext \"a b\"  # note\npage no-back\ndone \"d\"\n";
  std::string crlf;
  for (char c : plain) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  std::vector<std::uint8_t> expected = compile(plain);
  for (const std::string& variant : {"\xEF\xBB\xBF" + plain, crlf, "\xEF\xBB\xBF" + crlf}) {
    SCOPED_TRACE(::testing::PrintToString(variant));
    EXPECT_EQ(compile(variant), expected);
  }
}

TEST_F(ScriptTest, PathsThatLeaveLittleRoomForATypedDestinationWarnOnce) {
  source("a.txt", "a");
  const std::string deep = std::string(100, 'd') + "\\\\" + std::string(20, 'e');  // 121 characters
  struct Case {
    const char* what;
    const char* dest_flags;
    const char* name;     // with the directory, "abc.txt" makes 129 characters below the destination
    const char* warning;  // after "setup.mivora:6: warning: the path '...' is 129 characters below the destination"
  } cases[] = {
      {"editable destination, a path of 129", "", "abc.txt", "may have at most 125 characters (the field takes 127)"},
      {"editable destination, a path of 127", "", "a.txt", nullptr},
      {"fixed destination, a path of 129", " fixed", "abc.txt", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writer::PackageBuilder builder;
    CompileResult result = compile_script("page no-back\ndest \"C:\\\\A\"" + std::string(c.dest_flags) + "\nlist \"" +
                                              deep + "\"\nfile \"x\" from \"a.txt\"\nfile \"" + c.name +
                                              "\" from \"a.txt\"\nfile \"y\" from \"a.txt\"\ncopy \"c\"\ndone \"d\"\n",
                                          "setup.mivora", dir_.path(), {}, builder);
    ASSERT_TRUE(result.ok()) << ::testing::PrintToString(result.errors);
    if (c.warning == nullptr) {
      EXPECT_TRUE(result.warnings.empty()) << ::testing::PrintToString(result.warnings);
      continue;
    }
    ASSERT_EQ(result.warnings.size(), 1u) << ::testing::PrintToString(result.warnings);
    EXPECT_EQ(result.warnings[0].rfind("setup.mivora:5: warning: the path '", 0), 0u) << result.warnings[0];
    EXPECT_NE(result.warnings[0].find(c.warning), std::string::npos) << result.warnings[0];
  }
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

// The page's static controls take "&" as a shortcut mark: their texts are
// stored with it doubled, the caption and the destination field's are not,
// and \x26 stays one byte.
TEST_F(ScriptTest, AmpersandInTextsOfStaticControlsIsStoredDoubled) {
  source("a.txt", "abc");
  std::vector<std::uint8_t> bytes = compile(
      "name \"Tom & Jerry\"\ntext \"Terms & conditions\"\ntext2 \"A&&B\"\npage no-back\n"
      "dest \"C:\\\\R&D\"\npage\nlist \"R&D\"\nfile \"&.txt\" from \"a.txt\"\ncopy \"Copying & more\"\n"
      "done \"\\x26Done & dusted\"\n");
  inspect::PackageWalk w = walk(bytes);
  ASSERT_TRUE(w.ok());
  std::vector<std::string> texts;
  for (const inspect::WalkedCommand& c : w.commands) texts.push_back(c.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"Tom & Jerry", "Terms && conditions", "A&&&&B", "", "C:\\R&D", "",
                                             "R&D", "&.txt", "Copying && more", "\x26" "Done && dusted"}));
  // 250 characters with five marks are 255 stored: they fit.
  EXPECT_FALSE(compile("text \"" + std::string(245, 'x') + "&&&&&\"\npage no-back\ndone \"d\"\n").empty());
}

}  // namespace
}  // namespace mivora::script
