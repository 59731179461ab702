// An installer built by mivora-pack from a script that gives it an identity
// of its own (icon, version texts, elevation, brand), run under Wine:
// Windows' own readers and ours find each part as the script wrote it, the
// window shows the brand, and the package installs. Then an installer
// signed with osslsigncode: it verifies, dump and check read it, and it
// still installs.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/support/disk_checks.hpp"
#include "tests/support/installer_run.hpp"
#include "tests/support/processes.hpp"
#include "tests/support/resource_listing.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/writer/dialog_brand.hpp"
#include "tools/writer/installer_identity.hpp"

namespace mivora::test {
namespace {

namespace fs = std::filesystem;

const std::string kPack = MIVORA_PACK;
constexpr int kBrandLine = 0xFFFF;  // the static line's id, -1 as a 16-bit id

const std::vector<InstalledFile> kFiles = {{"", "readme.txt", "read me", kSomeTime},
                                           {"docs", "guide.txt", pattern(3000, 'g'), kSomeTime}};

class IdentityUnderWine : public InstallerRun {
 protected:
  // setup.exe built by mivora-pack from `identity` (script lines) and a
  // destination page, with a second text holding "&", that installs kFiles
  // into out/.
  void build_installer(const std::string& identity) {
    for (const InstalledFile& f : kFiles) write_text(dir() / "src" / f.list_dir / f.name, f.contents);
    write_text(dir() / "setup.mivora",
               identity + "name \"Setup\"\ntext \"Where to?\"\ntext2 \"Terms & conditions\"\ndest \"" +
                   escaped(dir().windows_path() + "\\out") +
                   "\"\npage no-back\nfiles \"\" from \"src\" time 2023-11-14T22:13:20.1234567Z\n"
                   "copy \"Copying\"\ndone \"Installed\"\n");
    CommandResult built = pack("build " + quoted(dir() / "setup.mivora") + " -o " + quoted(setup()) + " --stub " +
                               quoted(fs::path(windows_build_file("mivora.exe"))));
    ASSERT_EQ(built.exit_code, 0) << built.output;
  }
  static CommandResult pack(const std::string& arguments) { return run_command(kPack + " " + arguments); }
  fs::path setup() const { return dir() / "setup.exe"; }
  std::string windows_setup() const { return escaped(dir().windows_path() + "\\setup.exe"); }

  void install_and_finish() {
    wait_page("Where to?");
    click(Control::kNext);
    finish("Installed");
    expect_installed(dir() / "out", kFiles);
  }
};

TEST_F(IdentityUnderWine, InstallerShowsItsBrandCarriesItsIdentityAndInstalls) {
  write_bytes(dir() / "art" / "app.ico", make_icon_file(dir()));
  ASSERT_NO_FATAL_FAILURE(build_installer(
      "icon \"art/app.ico\"\nversion \"1.2.3.4\"\nproduct \"Café Tools\"\ncompany \"Ünïcode & Söhne\"\n"
      "description \"Café Tools Setup\"\ncopyright \"© 2024 Ünïcode & Söhne\"\nelevation user\n"
      "brand \"Café Tools & Co. Setup 2.0\"\n"));
  EXPECT_EQ(readobj_resource_names(setup()),
            "ICON (ID 3);(ID 1);(ID 2);(ID 3);(ID 4);DIALOG (ID 5);(ID 100);RCDATA (ID 10);(ID 42);"
            "GROUP_ICON (ID 14);(ID 1);VERSIONINFO (ID 16);(ID 1);MANIFEST (ID 24);(ID 1);");
  writer::IdentityReadBack back = writer::read_identity(read_bytes(setup()));
  EXPECT_EQ(back.icon_file, read_bytes(dir() / "art" / "app.ico"));
  ASSERT_TRUE(back.version.has_value());
  EXPECT_EQ(back.version->original_filename, "setup.exe");
  EXPECT_EQ(back.elevation, writer::Elevation::user);
  EXPECT_EQ(back.brand, "Café Tools & Co. Setup 2.0");

  ASSERT_NO_FATAL_FAILURE(start());
  // The version resource as version.dll reads it, and icon 1 as LoadIconA finds it.
  const struct {
    const char* question;
    std::string answer;
  } readers[] = {
      {"version fixed", "ok 1.2.3.4 1.2.3.4"},
      {"version translation", "ok 0000 04E4"},
      {"version ProductName", "ok Café Tools"},
      {"version CompanyName", "ok Ünïcode & Söhne"},
      {"version FileDescription", "ok Café Tools Setup"},
      {"version LegalCopyright", "ok © 2024 Ünïcode & Söhne"},
      {"version FileVersion", "ok 1.2.3.4"},
      {"version ProductVersion", "ok 1.2.3.4"},
      {"version OriginalFilename", "ok setup.exe"},
      {"icon", "ok 32 32 FFFF00"},  // ImageMagick's 32 x 32 image, a yellow disc in the middle
  };
  for (const auto& r : readers) {
    SCOPED_TRACE(r.question);
    EXPECT_EQ(ask(std::string(r.question) + " " + windows_setup()), r.answer);
  }

  wait_page("Where to?");
  EXPECT_EQ(ask("wtext " + std::to_string(kBrandLine)), "ok Café Tools && Co. Setup 2.0")
      << "an & is stored doubled, so that it shows";
  EXPECT_EQ(text(Control::kText2), "ok Terms && conditions") << "so is a page text's";
  // The line's width in pixels against the text's, in the line's own font.
  std::string capitals;
  for (std::size_t i = 0; i < writer::kBrandLimit; ++i) capitals += static_cast<char>('A' + i % 26);
  for (const std::string& text : {std::string(), capitals}) {
    SCOPED_TRACE(text.empty() ? "the brand" : "the longest brand of capitals");
    std::istringstream extent(ask("extent " + std::to_string(kBrandLine) + " " + text));
    std::string ok;
    int text_width = 0;
    int line_width = 0;
    extent >> ok >> text_width >> line_width;
    EXPECT_EQ(ok, "ok");
    EXPECT_GT(text_width, 0);
    EXPECT_LE(text_width, line_width) << "the line cuts the text";
  }
  screenshot("identity");
  click(Control::kNext);
  finish("Installed");
  expect_installed(dir() / "out", kFiles);
}

TEST_F(IdentityUnderWine, SignedInstallerVerifiesReadsBackAndInstallsButIsRefusedAsAStub) {
  ASSERT_NO_FATAL_FAILURE(build_installer("brand \"Signed 1.0\"\n"));  // elevation admin, the default
  TempDir keys;
  CommandResult made = run_command("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Mivora-test -keyout " +
                                   quoted(keys / "key.pem") + " -out " + quoted(keys / "cert.pem"));
  ASSERT_EQ(made.exit_code, 0) << made.output;
  fs::path signed_setup = keys / "setup.exe";
  CommandResult signing = run_command("osslsigncode sign -certs " + quoted(keys / "cert.pem") + " -key " +
                                      quoted(keys / "key.pem") + " -n Mivora-test -in " + quoted(setup()) + " -out " +
                                      quoted(signed_setup));
  ASSERT_EQ(signing.exit_code, 0) << signing.output;
  CommandResult verified =
      run_command("osslsigncode verify -CAfile " + quoted(keys / "cert.pem") + " -in " + quoted(signed_setup));
  EXPECT_EQ(verified.exit_code, 0) << verified.output;
  EXPECT_NE(verified.output.find("Signature verification: ok"), std::string::npos) << verified.output;

  CommandResult checked = pack("check " + quoted(signed_setup));
  EXPECT_EQ(checked.exit_code, 0) << checked.output;
  EXPECT_NE(checked.output.find("valid package"), std::string::npos) << checked.output;
  // The script back from the signed installer builds the installer before it was signed.
  CommandResult dumped = pack("dump " + quoted(signed_setup) + " --extract " + quoted(keys / "x"));
  ASSERT_EQ(dumped.exit_code, 0) << dumped.output;
  EXPECT_NE(dumped.output.find("\nelevation admin\nbrand \"Signed 1.0\"\n"), std::string::npos) << dumped.output;
  CommandResult again = pack("build " + quoted(keys / "x" / "package.mivora") + " -o " + quoted(keys / "x" / "setup.exe") +
                             " --stub " + quoted(fs::path(windows_build_file("mivora.exe"))));
  ASSERT_EQ(again.exit_code, 0) << again.output;
  EXPECT_EQ(read_bytes(keys / "x" / "setup.exe"), read_bytes(setup()));

  // A signed installer is no stub: new resources would break its signature.
  CommandResult refused = pack("build " + quoted(dir() / "setup.mivora") + " -o " + quoted(keys / "again.exe") +
                               " --stub " + quoted(signed_setup));
  EXPECT_EQ(refused.exit_code, 1) << refused.output;
  EXPECT_NE(refused.output.find("the stub is signed"), std::string::npos) << refused.output;
  EXPECT_FALSE(fs::exists(keys / "again.exe"));

  fs::copy_file(signed_setup, setup(), fs::copy_options::overwrite_existing);
  ASSERT_NO_FATAL_FAILURE(start());
  EXPECT_EQ(ask("text " + std::to_string(kBrandLine)), "ok Signed 1.0");
  install_and_finish();
}

}  // namespace
}  // namespace mivora::test
