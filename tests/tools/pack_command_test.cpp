// mivora-pack driven as a user would: exit codes, messages, and what lands
// on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/processes.hpp"
#include "tests/support/resource_listing.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/tools/test_stubs.hpp"
#include "tools/pack/stub_arch.hpp"
#include "tools/writer/package_limits.hpp"
#include "tools/writer/pe_image.hpp"
#include "tools/writer/pe_resources.hpp"

namespace mivora::pack {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;

const std::string kPack = MIVORA_PACK;
const fs::path kStub = fs::path(MIVORA_TEST_STUBS) / "stub.exe";
const fs::path kWorkedExample = fs::path(MIVORA_SOURCE_DIR) / "examples" / "worked-example.mivora";

class PackCommand : public ::testing::Test {
 protected:
  test::CommandResult pack(const std::string& arguments) { return run_command(kPack + " " + arguments); }
  test::TempDir dir_;
};

TEST_F(PackCommand, ExitCodesTellWrongArgumentsFromBadInput) {
  test::write_text(dir_ / "bad.mivora", "page\n");
  test::write_text(dir_ / "junk.bin", "not a package at all");
  struct Case {
    const char* what;
    std::string arguments;
    int exit_code;
    const char* says;
  } cases[] = {
      {"no command", "", 2, "usage: mivora-pack COMMAND"},
      {"unknown command", "bulid x", 2, "unknown command 'bulid'"},
      {"build without output", "build " + quoted(kWorkedExample), 2, "no output given"},
      {"unknown option", "check --fast x", 2, "unknown option '--fast'"},
      {"help", "--help", 0, "build"},
      {"version", "--version", 0, "mivora-pack 0."},
      {"build help", "build --help", 0, "--codepage"},
      {"dump help", "dump --help", 0, "--extract"},
      {"check help", "check --help", 0, "Exit codes"},
      {"bad script", "build " + quoted(dir_ / "bad.mivora") + " -o " + quoted(dir_ / "bad.bin"), 1, "bad.mivora:1: "},
      {"missing script", "build " + quoted(dir_ / "none.mivora") + " -o " + quoted(dir_ / "n.bin"), 1, "cannot read"},
      {"check junk", "check " + quoted(dir_ / "junk.bin"), 1, "does not start with \"pack\""},
      {"dump junk", "dump " + quoted(dir_ / "junk.bin"), 1, "cannot dump a malformed package"},
      {"unsupported code page", "build " + quoted(kWorkedExample) + " -o x.bin --codepage 932", 2, "code page 932"},
      {"unknown arch", "build " + quoted(kWorkedExample) + " -o x.exe --arch arm64", 2,
       "--arch takes x86 or x86-64, not 'arm64'"},
      {"a stub of another arch", "build " + quoted(kWorkedExample) + " -o " + quoted(dir_ / "x.exe") + " --stub " +
           quoted(kStub) + " --arch x86-64",
       2, "is for x86, but --arch says x86-64"},
      {"good build", "build " + quoted(kWorkedExample) + " -o " + quoted(dir_ / "ok.bin"), 0, "76 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::CommandResult r = pack(c.arguments);
    EXPECT_EQ(r.exit_code, c.exit_code) << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
  }
}

TEST_F(PackCommand, AnOptionsValueIsNeverACommandOrAHelpRequest) {
  const std::string build = "cd " + quoted(dir_.path()) + " && " + kPack + " build " + quoted(kWorkedExample);
  for (const char* name : {"help", "-h", "--help"}) {
    SCOPED_TRACE(name);
    test::CommandResult r = run_command(build + " -o " + name);
    EXPECT_EQ(r.exit_code, 0) << r.output;
    EXPECT_TRUE(fs::exists(dir_ / name)) << r.output;
  }
  test::CommandResult help = run_command(build + " -h");
  EXPECT_EQ(help.exit_code, 0) << help.output;
  EXPECT_NE(help.output.find("usage: mivora-pack build"), std::string::npos) << help.output;
}

TEST_F(PackCommand, ArgumentsThatContradictEachOtherAreWrongArguments) {
  const std::string build = "build " + quoted(kWorkedExample);
  struct Case {
    std::string arguments;
    std::string says;
  } cases[] = {
      {build + " -o " + quoted(dir_ / "a.bin") + " -o " + quoted(dir_ / "b.bin"), "-o is given twice"},
      {build + " -o " + quoted(dir_ / "a.bin") + " --stub " + quoted(kStub),
       "--stub makes an installer, and the output '" + (dir_ / "a.bin").string() + "' is a bare package"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    test::CommandResult r = pack(c.arguments);
    EXPECT_EQ(r.exit_code, 2) << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(dir_ / "a.bin") || fs::exists(dir_ / "b.bin"));
  }
}

TEST_F(PackCommand, StubOrOutputThatCannotBeUsedIsNamedWithItsReason) {
  struct Case {
    std::string arguments;
    std::string says;
  } cases[] = {
      {"-o " + quoted(dir_ / "a.exe") + " --stub " + quoted(dir_ / "nope.exe"),
       "the installer stub '" + (dir_ / "nope.exe").string() + "': not found\nmivora-pack: nothing written\n"},
      {"-o " + quoted(dir_ / "nodir" / "r.exe") + " --stub " + quoted(kStub),
       "cannot create '" + (dir_ / "nodir" / "r.exe").string() + "': the folder '" + (dir_ / "nodir").string() +
           "' does not exist\nmivora-pack: nothing written\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    test::CommandResult r = pack("build " + quoted(kWorkedExample) + " " + c.arguments);
    EXPECT_EQ(r.exit_code, 1) << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find(".partial"), std::string::npos) << r.output;
  }
}

TEST_F(PackCommand, VersionTextTooLongIsReportedOnceAndNotBlamedOnTheStub) {
  test::write_text(dir_ / "setup.mivora", "copyright \"" + std::string(40000, 'c') + "\"\npage no-back\ndone \"d\"\n");
  test::CommandResult r = pack("build " + quoted(dir_ / "setup.mivora") + " -o " + quoted(dir_ / "setup.exe") +
                               " --stub " + quoted(kStub));
  EXPECT_EQ(r.exit_code, 1) << r.output;
  std::size_t first = r.output.find("at most 65535 fit");
  ASSERT_NE(first, std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("at most 65535 fit", first + 1), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("stub '"), std::string::npos) << r.output;
}

// "Café.txt" is stored as Windows-1252 and "Café.gone" is a UTF-8 source
// path; both leave the tool in the encoding of the user's locale.
TEST_F(PackCommand, NamesInMessagesAreInTheTerminalsEncoding) {
  test::write_text(dir_ / "a.txt", "a");
  test::write_text(dir_ / "setup.mivora", "page no-back\ndest \"C:\\\\A\"\nlist \"\"\nfile \"Caf\xC3\xA9.txt\" from \"a.txt\"\n"
                                          "file \"Caf\xC3\xA9.txt\" from \"a.txt\"\nfile \"m\" from \"Caf\xC3\xA9.gone\"\n"
                                          "copy \"c\"\ndone \"d\"\n");
  // The locale's name says its codeset: no locale data needs to be installed.
  struct Case {
    const char* locale;
    const char* cafe;  // as the terminal shows it
  } cases[] = {{"LC_ALL=C.UTF-8", "Caf\xC3\xA9"},
               {"LC_ALL=de_DE.ISO-8859-1@euro", "Caf\xE9"},
               {"LC_ALL= LC_CTYPE= LANG=fr_FR.ISO-8859-1", "Caf\xE9"},
               {"LC_ALL= LC_CTYPE=en_US.utf8 LANG=fr_FR.ISO-8859-1", "Caf\xC3\xA9"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    test::CommandResult r = run_command(std::string(c.locale) + " " + kPack +
                                        " build " + quoted(dir_ / "setup.mivora") + " -o " + quoted(dir_ / "p.bin"));
    EXPECT_EQ(r.exit_code, 1) << r.output;
    EXPECT_NE(r.output.find(std::string(":5: '") + c.cafe + ".txt' is the same file on Windows"), std::string::npos)
        << ::testing::PrintToString(r.output);
    EXPECT_NE(r.output.find(std::string(":6: ") + c.cafe + ".gone: not found"), std::string::npos)
        << ::testing::PrintToString(r.output);
  }
}

TEST_F(PackCommand, FailedBuildLeavesNoFileBehind) {
  test::write_text(dir_ / "bad.mivora", "page no-back\ndone \"\xE4\xB8\xAD\"\n");
  test::write_text(dir_ / "not-a-stub.exe", "MZ but nothing else");
  test::write_text(dir_ / "empty-stub.exe", "");
  struct Case {
    const char* what;
    std::string arguments;
    fs::path output;
  } cases[] = {
      {"bad script",
       "build " + quoted(dir_ / "bad.mivora") + " -o " + quoted(dir_ / "a.exe") + " --stub " + quoted(kStub),
       dir_ / "a.exe"},
      {"bad stub",
       "build " + quoted(kWorkedExample) + " -o " + quoted(dir_ / "b.exe") + " --stub " +
           quoted(dir_ / "not-a-stub.exe"),
       dir_ / "b.exe"},
      {"missing stub",
       "build " + quoted(kWorkedExample) + " -o " + quoted(dir_ / "c.exe") + " --stub " + quoted(dir_ / "none.exe"),
       dir_ / "c.exe"},
      {"empty stub",
       "build " + quoted(kWorkedExample) + " -o " + quoted(dir_ / "d.exe") + " --stub " +
           quoted(dir_ / "empty-stub.exe"),
       dir_ / "d.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::CommandResult r = pack(c.arguments);
    EXPECT_EQ(r.exit_code, 1) << r.output;
    EXPECT_FALSE(fs::exists(c.output));
    fs::path partial = c.output;
    partial += ".partial";
    EXPECT_FALSE(fs::exists(partial));
  }
}

TEST_F(PackCommand, IdentityProblemsComeWithTheScriptsInOneRunAndNothingIsWritten) {
  // A stub without dialog 100 has no line for the brand.
  writer::VectorSink stub;
  const std::vector<writer::ResourceEdit> drop = {writer::ResourceEdit::removal(5, 100)};
  writer::embed_resource(test::read_bytes(kStub), writer::kRtRcdata, writer::kPackageResourceId, 0, {}, stub,
                         {.edits = drop});
  test::write_bytes(dir_ / "no-dialog.exe", stub.bytes);
  test::write_text(dir_ / "junk.ico", "no icon");
  test::write_text(dir_ / "setup.mivora", "icon \"junk.ico\"\nbrand \"B\"\npage\ndone \"d\"\n");
  test::CommandResult r = pack("build " + quoted(dir_ / "setup.mivora") + " -o " + quoted(dir_ / "setup.exe") +
                               " --stub " + quoted(dir_ / "no-dialog.exe"));
  EXPECT_EQ(r.exit_code, 1) << r.output;
  for (const std::string& problem : {std::string("setup.mivora:1: junk.ico: the icon file does not start with an icon directory"),
                                     std::string("setup.mivora:3: the first page must have no-back"),
                                     "stub '" + (dir_ / "no-dialog.exe").string() + "': the stub has no dialog "
                                                                                    "template 100"})
    EXPECT_NE(r.output.find(problem), std::string::npos) << problem << "\n" << r.output;
  EXPECT_FALSE(fs::exists(dir_ / "setup.exe"));
  EXPECT_FALSE(fs::exists(dir_ / "setup.exe.partial"));
}

TEST_F(PackCommand, PackageTooLargeToLoadIsRefusedBeforeAnythingIsWritten) {
  // Sparse files: sizes only, no disk.
  test::write_text(dir_ / "big.bin", "");
  fs::resize_file(dir_ / "big.bin", writer::kMaxInstallerPackageSize);
  test::write_text(dir_ / "huge.bin", "");
  fs::resize_file(dir_ / "huge.bin", 0x100000000ull);
  test::write_text(dir_ / "setup.mivora",
                   "page no-back\ndest \"C:\\\\A\"\nlist \"\"\nfile \"big\" from \"big.bin\"\n"
                   "file \"huge\" from \"huge.bin\"\ncopy \"c\"\ndone \"d\"\n");
  test::CommandResult r = pack("build " + quoted(dir_ / "setup.mivora") + " -o " + quoted(dir_ / "setup.exe") +
                               " --stub " + quoted(kStub));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("setup.mivora:4: big.bin: with this file the package grows past the limit"), std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("cannot load one larger than 1920 MiB"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("setup.mivora:5: huge.bin: is 4294967296 bytes; a package file holds at most 4294967295"),
            std::string::npos)
      << r.output;
  EXPECT_FALSE(fs::exists(dir_ / "setup.exe"));
}

TEST_F(PackCommand, InstallerHoldsExactlyThePackageOfTheRawBuild) {
  ASSERT_EQ(pack("build " + quoted(kWorkedExample) + " -o " + quoted(dir_ / "raw.bin")).exit_code, 0);
  for (const test::TestStub& s : test::kTestStubs) {
    SCOPED_TRACE(s.file);
    test::CommandResult r =
        pack("build " + quoted(kWorkedExample) + " -o " + quoted(dir_ / s.file) + " --stub " + quoted(s.path()));
    ASSERT_EQ(r.exit_code, 0) << r.output;
    writer::ResourceLookup embedded =
        writer::read_resource(test::read_bytes(dir_ / s.file), writer::kRtRcdata, writer::kPackageResourceId);
    ASSERT_TRUE(embedded.ok) << embedded.error;
    EXPECT_EQ(embedded.bytes, test::read_bytes(dir_ / "raw.bin"));
    test::CommandResult check = pack("check " + quoted(dir_ / s.file));
    EXPECT_EQ(check.exit_code, 0) << check.output;
    EXPECT_NE(check.output.find("valid package, 76 bytes, 4 commands, 0 bytes of files (in an installer for " +
                                machine_name(s.machine) + ")"),
              std::string::npos)
        << check.output;
  }
}

TEST_F(PackCommand, DumpAndCheckOfATruncatedInstallerReportInsteadOfCrashing) {
  ASSERT_EQ(pack("build " + quoted(kWorkedExample) + " -o " + quoted(dir_ / "setup.exe") + " --stub " + quoted(kStub))
                .exit_code,
            0);
  std::vector<std::uint8_t> whole = test::read_bytes(dir_ / "setup.exe");
  for (std::size_t length : {std::size_t{1}, std::size_t{64}, std::size_t{400}, whole.size() / 2, whole.size() - 8}) {
    SCOPED_TRACE(length);
    test::write_bytes(dir_ / "cut.exe",
                      std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
    for (const char* command : {"check ", "dump "}) {
      test::CommandResult r = pack(command + quoted(dir_ / "cut.exe"));
      EXPECT_EQ(r.exit_code, 1) << command << r.output;
      EXPECT_NE(r.output.find("cut.exe"), std::string::npos) << r.output;
    }
  }
}

// The stub's own icon and brand are dumped too, and given again they must
// not change a byte; the installer's icon is extracted apart from its files.
TEST_F(PackCommand, DumpWithExtractRebuildsTheSameInstallerWithOrWithoutIdentity) {
  test::write_bytes(dir_ / "art" / "app.ico", test::make_icon_file(dir_));
  test::write_text(dir_ / "identity.mivora",
                   "icon \"art/app.ico\"\nversion \"1.2.3\"\nproduct \"Caf\xC3\xA9 \\\"Tools\\\"\"\ncompany \"\xE6\x97\xA5\"\n"
                   "description \"Setup\"\ncopyright \"\xC2\xA9 2024\"\nelevation user\nbrand \"Caf\xC3\xA9 & Co \\\\ 2\"\n"
                   "page no-back\ndest \"C:\\\\A\"\nlist \"\"\nfile \"icon.ico\" from \"art/app.ico\"\ncopy \"c\"\n"
                   "done \"d\"\n");
  for (const test::TestStub& s : test::kTestStubs) {
    SCOPED_TRACE(s.file);
    for (const fs::path& script : {fs::path(MIVORA_SOURCE_DIR) / "examples" / "demo" / "setup.mivora",
                                   dir_ / "identity.mivora"}) {
      SCOPED_TRACE(script.filename());
      fs::path out = dir_ / s.file / script.stem();
      fs::create_directories(out / "again");
      std::string stub = " --stub " + quoted(s.path());
      ASSERT_EQ(pack("build " + quoted(script) + " -o " + quoted(out / "setup.exe") + stub).exit_code, 0);
      test::CommandResult dump = pack("dump " + quoted(out / "setup.exe") + " --extract " + quoted(out / "x"));
      ASSERT_EQ(dump.exit_code, 0) << dump.output;
      EXPECT_EQ(dump.output.find("build it again with --arch x86-64") != std::string::npos,
                s.machine == writer::pe::kMachineAmd64)
          << dump.output;
      test::CommandResult again =
          pack("build " + quoted(out / "x" / "package.mivora") + " -o " + quoted(out / "again" / "setup.exe") + stub);
      ASSERT_EQ(again.exit_code, 0) << again.output << dump.output;
      EXPECT_EQ(test::read_bytes(out / "again" / "setup.exe"), test::read_bytes(out / "setup.exe")) << dump.output;
    }
    fs::path extracted = dir_ / s.file / "identity" / "x";
    EXPECT_EQ(test::read_bytes(extracted / "icon.ico"), test::read_bytes(dir_ / "art" / "app.ico"));
    EXPECT_EQ(test::read_bytes(extracted / "files" / "icon.ico"), test::read_bytes(dir_ / "art" / "app.ico"));
  }
}

TEST_F(PackCommand, DumpWithExtractCreatesTheFolderForAPackageWithoutFiles) {
  ASSERT_EQ(pack("build " + quoted(kWorkedExample) + " -o " + quoted(dir_ / "raw.bin")).exit_code, 0);
  test::CommandResult dump = pack("dump " + quoted(dir_ / "raw.bin") + " --extract " + quoted(dir_ / "new" / "x"));
  ASSERT_EQ(dump.exit_code, 0) << dump.output;
  EXPECT_EQ(test::read_text(dir_ / "new" / "x" / "package.mivora"), dump.output);
}

TEST_F(PackCommand, StubIsFoundBesideTheToolOrWhereAnInstallationPutsIt) {
  // The tool alone, as if installed into PREFIX/bin.
  fs::create_directories(dir_ / "bin");
  fs::copy_file(kPack, dir_ / "bin" / "mivora-pack");
  auto build = [&](const std::string& output) {
    return run_command(quoted(dir_ / "bin" / "mivora-pack") + " build " + quoted(kWorkedExample) + " -o " +
                       quoted(dir_ / output));
  };
  test::CommandResult alone = build("alone.exe");
  EXPECT_EQ(alone.exit_code, 1) << alone.output;
  EXPECT_NE(alone.output.find("--stub PATH"), std::string::npos) << alone.output;
  EXPECT_FALSE(fs::exists(dir_ / "alone.exe"));

  fs::create_directories(dir_ / "share" / "mivora");
  fs::copy_file(kStub, dir_ / "share" / "mivora" / "mivora.exe");
  test::CommandResult installed = build("installed.exe");
  EXPECT_EQ(installed.exit_code, 0) << installed.output;
  EXPECT_TRUE(fs::exists(dir_ / "installed.exe"));

  // Beside the tool comes first; a stub that is no executable shows which was taken.
  test::write_text(dir_ / "bin" / "mivora.exe", "not a stub");
  test::CommandResult beside = build("beside.exe");
  EXPECT_EQ(beside.exit_code, 1) << beside.output;
  EXPECT_NE(beside.output.find((dir_ / "bin" / "mivora.exe").string()), std::string::npos) << beside.output;
}

TEST_F(PackCommand, ArchPicksTheStubOfItsNameAndTheStubMustBeForIt) {
  fs::create_directories(dir_ / "bin");
  fs::copy_file(kPack, dir_ / "bin" / "mivora-pack");
  fs::copy_file(test::kTestStubs[0].path(), dir_ / "bin" / "mivora.exe");
  fs::create_directories(dir_ / "share" / "mivora");
  fs::copy_file(test::kTestStubs[1].path(), dir_ / "share" / "mivora" / "mivora64.exe");
  auto build = [&](const std::string& output, const std::string& arch) {
    return run_command(quoted(dir_ / "bin" / "mivora-pack") + " build " + quoted(kWorkedExample) + " -o " +
                       quoted(dir_ / output) + arch);
  };
  struct Case {
    const char* arch;
    std::uint16_t machine;
  } cases[] = {{"", writer::pe::kMachineI386},
               {" --arch x86", writer::pe::kMachineI386},
               {" --arch x86-64", writer::pe::kMachineAmd64}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arch);
    test::CommandResult r = build("setup.exe", c.arch);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_EQ(writer::pe::parse_image(test::read_bytes(dir_ / "setup.exe")).machine, c.machine);
  }

  // Beside the tool comes first, and a stub found by its name must be what the name says.
  fs::copy_file(test::kTestStubs[0].path(), dir_ / "bin" / "mivora64.exe");
  test::CommandResult wrong = build("wrong.exe", " --arch x86-64");
  EXPECT_EQ(wrong.exit_code, 1) << wrong.output;
  EXPECT_NE(wrong.output.find("stub '" + (dir_ / "bin" / "mivora64.exe").string() +
                              "': the stub is for x86, not for x86-64"),
            std::string::npos)
      << wrong.output;
  EXPECT_FALSE(fs::exists(dir_ / "wrong.exe"));
}

}  // namespace
}  // namespace mivora::pack
