// The release as a user gets it: the Linux archive unpacked into an empty
// folder, and the Debian package unpacked into a scratch root. From there
// alone mivora-pack builds the demo, finding its stub itself, for x86 and
// for x86-64, and the installer that runs here puts the demo's files in
// place under Wine. The Debian package passes lintian, and its tool needs
// no newer glibc than it declares.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "tests/support/installer_run.hpp"
#include "tests/support/processes.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/writer/pe_image.hpp"

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

    // Both stubs are found; the one Wine runs here installs.
    for (const char* arch : {"x86", "x86-64"}) {
      fs::path built_setup = fs::path(dir().path()) / (std::string("setup-") + arch + ".exe");
      CommandResult built = run_command(quoted(tool) + " build " + quoted(examples / "demo" / "setup.mivora") +
                                        " -o " + quoted(built_setup) + " --arch " + arch);
      ASSERT_EQ(built.exit_code, 0) << built.output;
      bool for_x64 = writer::pe::parse_image(read_bytes(built_setup)).machine == writer::pe::kMachineAmd64;
      EXPECT_EQ(for_x64, std::string(arch) == "x86-64");
      if (arch == pack_arch()) fs::copy_file(built_setup, fs::path(dir().path()) / "setup.exe");
    }

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

TEST(Release, WindowsArchiveHoldsTheToolAndBothStubsSideBySide) {
  fs::path archive = dist_file("-windows.zip");
  ASSERT_FALSE(archive.empty()) << "no Windows archive in dist/ (./run dist)";
  TempDir unpacked;
  CommandResult r = run_command("cd " + quoted(unpacked.path()) + " && cmake -E tar xf " +
                                            quoted(archive));
  ASSERT_EQ(r.exit_code, 0) << r.output;
  fs::path top = *fs::directory_iterator(unpacked.path());
  std::vector<BuiltStub> stubs = built_stubs();
  EXPECT_EQ(read_bytes(top / "mivora.exe"), read_bytes(stubs[0].path));
  EXPECT_EQ(read_bytes(top / "mivora64.exe"), read_bytes(stubs[1].path));
  // Static: it runs on a Windows without the compiler's DLLs.
  CommandResult imports =
      run_command("i686-w64-mingw32-objdump -p " + quoted(top / "mivora-pack.exe") + " | grep 'DLL Name'");
  EXPECT_EQ(imports.output.find("libstdc++"), std::string::npos) << imports.output;
  EXPECT_EQ(imports.output.find("libgcc"), std::string::npos) << imports.output;
  EXPECT_EQ(imports.output.find("libwinpthread"), std::string::npos) << imports.output;
}

// The numbers of a version that starts text, "2.31)" as {2, 31}, to
// compare versions number by number.
std::vector<int> version_at(const std::string& text) {
  std::vector<int> numbers;
  std::size_t at = 0;
  while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
    std::size_t end = text.find_first_not_of("0123456789", at);
    numbers.push_back(std::stoi(text.substr(at, end - at)));
    at = end != std::string::npos && text[end] == '.' ? end + 1 : text.size();
  }
  return numbers;
}

// The highest version that follows `marker` in text, or none.
std::vector<int> highest_after(const std::string& text, const std::string& marker) {
  std::vector<int> highest;
  for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1))
    highest = std::max(highest, version_at(text.substr(at + marker.size())));
  return highest;
}

TEST(Release, LinuxToolNeedsNoNewerGlibcThanTheDebianPackageDeclares) {
  fs::path package = dist_file("_amd64.deb");
  ASSERT_FALSE(package.empty()) << "no Debian package in dist/ (./run dist)";
  TempDir root;
  ASSERT_EQ(run_command("dpkg -x " + quoted(package) + " " + quoted(root.path())).exit_code, 0);
  CommandResult symbols = run_command("objdump -T " + quoted(root / "usr" / "bin" / "mivora-pack"));
  std::vector<int> needed = highest_after(symbols.output, "GLIBC_");
  CommandResult depends = run_command("dpkg-deb -f " + quoted(package) + " Depends");
  std::vector<int> declared = highest_after(depends.output, "libc6 (>= ");
  if (declared.empty())
    EXPECT_TRUE(needed.empty()) << "no libc6 in Depends, yet the tool needs glibc:\n" << symbols.output;
  else
    EXPECT_LE(needed, declared) << depends.output << symbols.output;
}

TEST(Release, DebianPackageIsLintianClean) {
  fs::path package = dist_file("_amd64.deb");
  ASSERT_FALSE(package.empty()) << "no Debian package in dist/ (./run dist)";
  CommandResult r = run_command("lintian --fail-on error,warning " + quoted(package));
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_EQ(r.output.find("E: "), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("W: "), std::string::npos) << r.output;
}

}  // namespace
}  // namespace mivora::test
