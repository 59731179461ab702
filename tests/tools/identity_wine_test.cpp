// An installer with an identity of its own (icon, version resource,
// manifest, brand) made from the real stub, run under Wine: Windows' own
// readers find each part, the window shows the brand, and the package
// installs. Then the same installer signed with osslsigncode.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/support/processes.hpp"
#include "tests/support/resource_listing.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/disk_checks.hpp"
#include "tests/support/installer_run.hpp"
#include "tools/writer/dialog_brand.hpp"
#include "tools/writer/installer_identity.hpp"

namespace mivora::test {
namespace {

namespace fs = std::filesystem;

constexpr int kBrandLine = 0xFFFF;  // the static line's id, -1 as a 16-bit id
const std::string kBrand = "Café Tools & Co. Setup 2.0";

const std::vector<InstalledFile> kFiles = {{"", "readme.txt", "read me", kSomeTime},
                                           {"docs", "guide.txt", pattern(3000, 'g'), kSomeTime}};

writer::InstallerIdentity identity_of(const test::TempDir& scratch) {
  writer::InstallerIdentity identity;
  identity.icon = writer::parse_icon_file(test::make_icon_file(scratch));
  writer::VersionInfo& version = identity.version.emplace();
  version.version = writer::parse_version_number("1.2.3.4");
  version.product = "Café Tools";
  version.company = "Ünïcode & Söhne";
  version.description = "Café Tools Setup";
  version.copyright = "© 2024 Ünïcode & Söhne";
  version.original_filename = "setup.exe";
  identity.elevation = writer::Elevation::user;
  identity.brand = kBrand;
  return identity;
}

class IdentityUnderWine : public InstallerRun {
 protected:
  // setup.exe: the stub with the package of kFiles and `identity`.
  void write_installer(const writer::InstallerIdentity& identity) {
    writer::PackageBuilder package = copying(dir().windows_path() + "\\out", kFiles);
    writer::VectorSink out;
    writer::embed_package_with_identity(
        stub_bytes(), identity, package.size(), [&package](writer::ByteSink& s) { package.write(s); }, out);
    write_bytes(setup(), out.bytes);
  }
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
  test::TempDir scratch;
  ASSERT_NO_FATAL_FAILURE(write_installer(identity_of(scratch)));
  EXPECT_EQ(test::readobj_resource_names(setup()),
            "ICON (ID 3);(ID 1);(ID 2);(ID 3);(ID 4);DIALOG (ID 5);(ID 100);RCDATA (ID 10);(ID 42);"
            "GROUP_ICON (ID 14);(ID 1);VERSIONINFO (ID 16);(ID 1);MANIFEST (ID 24);(ID 1);");

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

TEST_F(IdentityUnderWine, SignedInstallerVerifiesAndStillStartsButIsRefusedAsAStub) {
  writer::InstallerIdentity identity;
  identity.brand = "Signed 1.0";
  identity.elevation = writer::Elevation::user;
  ASSERT_NO_FATAL_FAILURE(write_installer(identity));
  test::TempDir keys;
  test::CommandResult made = test::run_command(
      "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Mivora-test -keyout " + test::quoted(keys / "key.pem") +
      " -out " + test::quoted(keys / "cert.pem"));
  ASSERT_EQ(made.exit_code, 0) << made.output;
  fs::path signed_setup = keys / "signed.exe";
  test::CommandResult signing = test::run_command(
      "osslsigncode sign -certs " + test::quoted(keys / "cert.pem") + " -key " + test::quoted(keys / "key.pem") +
      " -n Mivora-test -in " + test::quoted(setup()) + " -out " + test::quoted(signed_setup));
  ASSERT_EQ(signing.exit_code, 0) << signing.output;
  test::CommandResult verified = test::run_command("osslsigncode verify -CAfile " + test::quoted(keys / "cert.pem") +
                                                   " -in " + test::quoted(signed_setup));
  EXPECT_EQ(verified.exit_code, 0) << verified.output;
  EXPECT_NE(verified.output.find("Signature verification: ok"), std::string::npos) << verified.output;

  // A signed installer is no stub: new resources would break its signature.
  test::write_text(keys / "setup.mivora", "text \"t\"\npage no-back\ndone \"d\"\n");
  test::CommandResult built =
      test::run_command(std::string(MIVORA_PACK) + " build " + test::quoted(keys / "setup.mivora") + " -o " +
                        test::quoted(keys / "again.exe") + " --stub " + test::quoted(signed_setup));
  EXPECT_EQ(built.exit_code, 1) << built.output;
  EXPECT_NE(built.output.find("the stub is signed"), std::string::npos) << built.output;
  EXPECT_FALSE(fs::exists(keys / "again.exe"));

  fs::copy_file(signed_setup, setup(), fs::copy_options::overwrite_existing);
  ASSERT_NO_FATAL_FAILURE(start());
  EXPECT_EQ(ask("text " + std::to_string(kBrandLine)), "ok Signed 1.0");
  install_and_finish();
}

}  // namespace
}  // namespace mivora::test
