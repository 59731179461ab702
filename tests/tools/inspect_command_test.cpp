// mivora-pack dump and check on what users hand them: packages whose file
// names meet the dumped script or each other, folders that are not empty,
// and files that are no package at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/processes.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/pe_image.hpp"

namespace mivora::pack {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;

const std::string kPack = MIVORA_PACK;
const fs::path kDemo = fs::path(MIVORA_SOURCE_DIR) / "examples" / "demo" / "setup.mivora";
const fs::path kStub = fs::path(MIVORA_TEST_STUBS) / "stub.exe";

// The demo built into dir/setup.exe from the test stub.
fs::path built_demo(const test::TempDir& dir, const std::string& environment = "") {
  test::CommandResult r = run_command(environment + kPack + " build " + quoted(kDemo) + " -o " +
                                      quoted(dir / "setup.exe") + " --stub " + quoted(kStub));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  return dir / "setup.exe";
}

std::uint32_t checksum_field(const std::vector<std::uint8_t>& installer) {
  return writer::pe::parse_image(installer).optional_offset + writer::pe::kOptCheckSum;
}

TEST(DumpCommand, ExtractedFilesNeverMeetTheScriptOrEachOtherAndBuildTheSameBytes) {
  test::TempDir dir;
  test::write_text(dir / "a.txt", "a");
  test::write_text(dir / "b.txt", "b");
  // Three destinations, so that the names may meet: a file named as the
  // dumped script, a folder of that name, a file where a folder goes, and
  // names that differ in case only.
  test::write_text(dir / "setup.mivora",
                   "page no-back\n"
                   "dest \"C:\\\\One\"\nlist \"\"\nfile \"package.mivora\" from \"a.txt\"\nfile \"docs\" from \"a.txt\"\n"
                   "copy \"c\"\n"
                   "dest \"C:\\\\Two\"\nlist \"package.mivora\"\nfile \"x.txt\" from \"a.txt\"\n"
                   "list \"Docs\"\nfile \"a.txt\" from \"a.txt\"\ncopy \"c\"\n"
                   "dest \"C:\\\\Three\"\nlist \"docs\"\nfile \"A.TXT\" from \"b.txt\"\ncopy \"c\"\n"
                   "done \"d\"\n");
  ASSERT_EQ(run_command(kPack + " build " + quoted(dir / "setup.mivora") + " -o " + quoted(dir / "one.bin")).exit_code,
            0);
  test::CommandResult dump = run_command(kPack + " dump " + quoted(dir / "one.bin") + " --extract " + quoted(dir / "x"));
  ASSERT_EQ(dump.exit_code, 0) << dump.output;
  EXPECT_EQ(test::read_text(dir / "x" / "package.mivora"), dump.output);
  test::CommandResult rebuilt =
      run_command(kPack + " build " + quoted(dir / "x" / "package.mivora") + " -o " + quoted(dir / "two.bin"));
  ASSERT_EQ(rebuilt.exit_code, 0) << rebuilt.output << dump.output;
  EXPECT_EQ(test::read_bytes(dir / "two.bin"), test::read_bytes(dir / "one.bin"));
  EXPECT_EQ(test::read_text(dir / "x" / "files" / "Docs~2" / "A.TXT~2"), "b") << dump.output;
}

TEST(DumpCommand, LicenseIsExtractedBesideTheScriptAndBuildsTheSameBytes) {
  test::TempDir dir;
  test::write_text(dir / "LICENSE.txt", "\xEF\xBB\xBF" "Caf\xC3\xA9 terms\nsecond line\r\n");
  test::write_text(dir / "setup.mivora",
                   "page no-back\nlicense \"LICENSE.txt\"\npage no-next\ndone \"d\"\n");
  ASSERT_EQ(run_command(kPack + " build " + quoted(dir / "setup.mivora") + " -o " + quoted(dir / "one.bin")).exit_code,
            0);
  test::CommandResult check = run_command(kPack + " check " + quoted(dir / "one.bin"));
  EXPECT_EQ(check.exit_code, 0) << check.output;
  test::CommandResult dump = run_command(kPack + " dump " + quoted(dir / "one.bin") + " --extract " + quoted(dir / "x"));
  ASSERT_EQ(dump.exit_code, 0) << dump.output;
  EXPECT_NE(dump.output.find("\nlicense \"license-1.txt\"\n"), std::string::npos) << dump.output;
  EXPECT_EQ(test::read_text(dir / "x" / "license-1.txt"), "Caf\xC3\xA9 terms\r\nsecond line\r\n");
  test::CommandResult rebuilt =
      run_command(kPack + " build " + quoted(dir / "x" / "package.mivora") + " -o " + quoted(dir / "two.bin"));
  ASSERT_EQ(rebuilt.exit_code, 0) << rebuilt.output << dump.output;
  EXPECT_EQ(test::read_bytes(dir / "two.bin"), test::read_bytes(dir / "one.bin"));
}

TEST(DumpCommand, ExtractIntoAFolderThatIsNotEmptyWritesNothing) {
  test::TempDir dir;
  ASSERT_EQ(run_command(kPack + " build " + quoted(fs::path(MIVORA_SOURCE_DIR) / "examples" / "demo" / "setup.mivora") +
                        " -o " + quoted(dir / "demo.bin"))
                .exit_code,
            0);
  test::write_text(dir / "x" / "package.mivora", "mine");
  test::CommandResult r = run_command(kPack + " dump " + quoted(dir / "demo.bin") + " --extract " + quoted(dir / "x"));
  EXPECT_EQ(r.exit_code, 2) << r.output;
  EXPECT_NE(r.output.find("is not empty"), std::string::npos) << r.output;
  EXPECT_EQ(test::read_text(dir / "x" / "package.mivora"), "mine");
  EXPECT_FALSE(fs::exists(dir / "x" / "files"));
}

TEST(DumpCommand, NameTooLongForTheFileSystemIsReportedBeforeAnythingIsWritten) {
  test::TempDir dir;
  test::write_text(dir / "a.txt", "a");
  std::string long_name;
  for (int i = 0; i < 200; ++i) long_name += "\u00E9";  // one byte in the package, two in UTF-8
  test::write_text(dir / "setup.mivora", "page no-back\ndest \"C:\\\\A\"\nlist \"\"\nfile \"" + long_name +
                                             "\" from \"a.txt\"\nfile \"short.txt\" from \"a.txt\"\ncopy \"c\"\ndone \"d\"\n");
  ASSERT_EQ(run_command(kPack + " build " + quoted(dir / "setup.mivora") + " -o " + quoted(dir / "p.bin")).exit_code, 0);
  test::CommandResult r = run_command(kPack + " dump " + quoted(dir / "p.bin") + " --extract " + quoted(dir / "x"));
  EXPECT_EQ(r.exit_code, 1) << r.output;
  EXPECT_NE(r.output.find("is 400 bytes in UTF-8; the file system takes at most 255"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("nothing written"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir / "x"));
}

TEST(DumpCommand, ExtractedScriptSaysHowToBuildTheSameBytes) {
  test::TempDir dir;
  fs::path setup = built_demo(dir, "SOURCE_DATE_EPOCH=1700000000 ");
  test::CommandResult r = run_command(kPack + " dump " + quoted(setup) + " --extract " + quoted(dir / "x"));
  ASSERT_EQ(r.exit_code, 0) << r.output;
  std::string script = test::read_text(dir / "x" / "package.mivora");
  EXPECT_NE(script.find("# the same bytes again from the same stub: SOURCE_DATE_EPOCH=1700000000 mivora-pack build "
                        "package.mivora -o setup.exe\n"),
            std::string::npos)
      << script;
  EXPECT_EQ(script.find("\n# the same"), script.find('\n')) << "the second line: " << script;
  // What the line says, done under another output name: OriginalFilename
  // comes from the script's 'filename', so the bytes are the same.
  test::CommandResult again = run_command("SOURCE_DATE_EPOCH=1700000000 " + kPack + " build " +
                                          quoted(dir / "x" / "package.mivora") + " -o " + quoted(dir / "other.exe") +
                                          " --stub " + quoted(kStub));
  ASSERT_EQ(again.exit_code, 0) << again.output;
  EXPECT_EQ(test::read_bytes(dir / "other.exe"), test::read_bytes(setup));
}

TEST(CheckCommand, InstallerChangedAfterItsBuildIsNotValid) {
  test::TempDir dir;
  fs::path setup = built_demo(dir);
  test::CommandResult whole = run_command(kPack + " check " + quoted(setup));
  EXPECT_EQ(whole.exit_code, 0) << whole.output;
  EXPECT_NE(whole.output.find("right"), std::string::npos) << whole.output;
  std::vector<std::uint8_t> bytes = test::read_bytes(setup);
  for (std::size_t i = 0x4E; i < 0x52; ++i) bytes[i] ^= 0x20;  // four letters of the DOS stub's message
  test::write_bytes(setup, bytes);
  test::CommandResult changed = run_command(kPack + " check " + quoted(setup));
  EXPECT_EQ(changed.exit_code, 1) << changed.output;
  EXPECT_NE(changed.output.find("the file changed after it was built"), std::string::npos) << changed.output;
}

TEST(CheckCommand, InstallerWithoutChecksumIsSaidToHaveNone) {
  test::TempDir dir;
  fs::path setup = built_demo(dir);
  std::vector<std::uint8_t> bytes = test::read_bytes(setup);
  writer::set_u32(bytes, checksum_field(bytes), 0);
  test::write_bytes(setup, bytes);
  test::CommandResult r = run_command(kPack + " check " + quoted(setup));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("no PE checksum"), std::string::npos) << r.output;
}

// Root reads everything; without these capabilities it is refused as anyone else is.
std::string as_ordinary_user() {
  if (geteuid() != 0) return "";
  const std::string drop = "setpriv --inh-caps=-dac_override,-dac_read_search --bounding-set=-dac_override,-dac_read_search ";
  return run_command(drop + "true").exit_code == 0 ? drop : "unavailable";
}

TEST(CheckCommand, WhatIsNoPackageIsNamedWithTheReason) {
  test::TempDir dir;
  fs::create_directories(dir / "folder");
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0644), 0);
  test::write_text(dir / "secret.bin", "pack");
  fs::permissions(dir / "secret.bin", fs::perms::none);
  std::string user = as_ordinary_user();
  struct Case {
    const char* what;
    fs::path file;
    const char* says;
    std::string prefix;
  } cases[] = {
      {"a folder", dir / "folder", "is a folder, not a package or an installer", ""},
      {"a missing file", dir / "none.bin", "none.bin' not found", ""},
      {"a named pipe", dir / "pipe", "is a named pipe, not a file", ""},
      {"an unreadable file", dir / "secret.bin", "secret.bin' cannot be read: permission denied", user},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.prefix == "unavailable") continue;
    for (const char* command : {"check ", "dump "}) {
      test::CommandResult r = run_command(c.prefix + kPack + " " + command + quoted(c.file));
      EXPECT_EQ(r.exit_code, 1) << command << r.output;
      EXPECT_NE(r.output.find(c.says), std::string::npos) << command << r.output;
    }
  }
}

}  // namespace
}  // namespace mivora::pack
