// The release as a user gets it: the Linux archive unpacked into an empty
// folder, and the Debian package unpacked into a scratch root. From there
// alone mivora-pack builds the demo, finding its stub itself, and the
// installer puts the demo's files in place under Wine.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/installer_run.hpp"
#include "tests/support/processes.hpp"
#include "tests/support/temp_dir.hpp"

namespace mivora::test {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = MIVORA_SOURCE_DIR;

// The one file in dist/ whose name ends with `suffix`.
fs::path dist_file(const std::string& suffix) {
  fs::path found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kSource / "dist", error)) {
    std::string name = entry.path().filename().string();
    if (name.size() >= suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      found = entry.path();
  }
  return found;
}

class ReleaseUnderWine : public InstallerRun {
 protected:
  // Builds the demo with the unpacked tool, from the unpacked examples, then
  // installs it into a folder of this run and compares it with the sources.
  void build_and_install_demo(const fs::path& tool, const fs::path& examples) {
    CommandResult version = run_command(quoted(tool) + " --version");
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.output.rfind("mivora-pack ", 0), 0u) << version.output;

    fs::path setup = fs::path(dir().path()) / "setup.exe";
    CommandResult built = run_command(quoted(tool) + " build " +
                                                  quoted(examples / "demo" / "setup.mivora") + " -o " +
                                                  quoted(setup));
    ASSERT_EQ(built.exit_code, 0) << built.output;

    ASSERT_NO_FATAL_FAILURE(start());
    wait_page("Welcome to the Mivora demo.\\nIt installs a small folder tree.");
    expect_ok("click 101");
    settle_license_page();
    expect_ok("press " + probe_id(Control::kAccept));
    wait_state(Control::kNext, "enabled");
    expect_ok("click 101");
    wait_page("Choose where to install the demo files.");
    fs::path installed = fs::path(dir().path()) / "installed";
    expect_ok("settext 221 " + escaped(windows_path_of(installed.string())));
    expect_ok("click 101");
    finish("The Mivora demo is installed.\\nClick \"Finish\" to close.");

    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(examples / "demo" / "files")) {
      fs::path relative = fs::relative(entry.path(), examples / "demo" / "files");
      SCOPED_TRACE(relative.string());
      if (entry.is_directory()) {
        EXPECT_TRUE(fs::is_directory(installed / relative));
        continue;
      }
      ++files;
      EXPECT_EQ(read_text(installed / relative), read_text(entry.path()));
    }
    EXPECT_GT(files, 3u);
  }
};

TEST_F(ReleaseUnderWine, LinuxArchiveAloneBuildsAndInstallsTheDemo) {
  fs::path archive = dist_file("-linux-x86_64.tar.gz");
  ASSERT_FALSE(archive.empty()) << "no Linux archive in dist/ (./run dist)";
  TempDir unpacked;
  CommandResult r = run_command("tar -xzf " + quoted(archive) + " -C " + quoted(unpacked.path()));
  ASSERT_EQ(r.exit_code, 0) << r.output;
  fs::path top = *fs::directory_iterator(unpacked.path());
  build_and_install_demo(top / "bin" / "mivora-pack", top / "share" / "doc" / "mivora" / "examples");
}

TEST_F(ReleaseUnderWine, DebianPackageAloneBuildsAndInstallsTheDemo) {
  fs::path package = dist_file("_amd64.deb");
  ASSERT_FALSE(package.empty()) << "no Debian package in dist/ (./run dist)";
  TempDir root;
  CommandResult r = run_command("dpkg -x " + quoted(package) + " " + quoted(root.path()));
  ASSERT_EQ(r.exit_code, 0) << r.output;
  build_and_install_demo(root / "usr" / "bin" / "mivora-pack", root / "usr" / "share" / "doc" / "mivora" / "examples");
}

TEST(Release, WindowsArchiveHoldsTheToolAndTheStubSideBySide) {
  fs::path archive = dist_file("-windows.zip");
  ASSERT_FALSE(archive.empty()) << "no Windows archive in dist/ (./run dist)";
  TempDir unpacked;
  CommandResult r = run_command("cd " + quoted(unpacked.path()) + " && cmake -E tar xf " +
                                            quoted(archive));
  ASSERT_EQ(r.exit_code, 0) << r.output;
  fs::path top = *fs::directory_iterator(unpacked.path());
  EXPECT_EQ(read_bytes(top / "mivora.exe"), read_bytes(windows_build_file("mivora.exe")));
  // Static: it runs on a Windows without the compiler's DLLs.
  CommandResult imports =
      run_command("i686-w64-mingw32-objdump -p " + quoted(top / "mivora-pack.exe") + " | grep 'DLL Name'");
  EXPECT_EQ(imports.output.find("libstdc++"), std::string::npos) << imports.output;
  EXPECT_EQ(imports.output.find("libgcc"), std::string::npos) << imports.output;
  EXPECT_EQ(imports.output.find("libwinpthread"), std::string::npos) << imports.output;
}

}  // namespace
}  // namespace mivora::test
