// Both stubs read back with their target's objdump: the headers and exports
// the installer is known by, and an import table that names only DLLs of
// the system, so nothing placed beside it is loaded when it starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <sstream>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/processes.hpp"
#include "tests/support/wine_session.hpp"

namespace mivora::fault_test {
namespace {

constexpr std::array<const char*, 8> kSystemDlls = {"kernel32.dll", "user32.dll",   "gdi32.dll",   "advapi32.dll",
                                                    "shell32.dll",  "ole32.dll",    "comctl32.dll", "msvcrt.dll"};

std::string private_headers(const test::BuiltStub& stub) {
  return test::run_command(std::string(stub.objdump) + " -p '" + stub.path + "'").output;
}

// The first line that holds `marker`, or "".
std::string line_with(const std::string& dump, const std::string& marker) {
  std::istringstream lines(dump);
  for (std::string line; std::getline(lines, line);)
    if (line.find(marker) != std::string::npos) return line;
  return "";
}

std::vector<std::string> imported_dlls(const test::BuiltStub& stub) {
  std::vector<std::string> names;
  std::istringstream lines(private_headers(stub));
  const std::string marker = "DLL Name: ";
  for (std::string line; std::getline(lines, line);) {
    std::size_t at = line.find(marker);
    if (at == std::string::npos) continue;
    std::string name = line.substr(at + marker.size());
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    names.push_back(name);
  }
  return names;
}

TEST(InstallerImports, NameOnlySystemDlls) {
  for (const test::BuiltStub& stub : test::built_stubs()) {
    SCOPED_TRACE(stub.name);
    ASSERT_TRUE(std::filesystem::exists(stub.path)) << stub.path;
    std::vector<std::string> names = imported_dlls(stub);
    ASSERT_FALSE(names.empty()) << stub.objdump << " found no imports in " << stub.path;
    EXPECT_NE(std::find(names.begin(), names.end(), "kernel32.dll"), names.end());
    for (const auto& name : names)
      EXPECT_NE(std::find(kSystemDlls.begin(), kSystemDlls.end(), name), kSystemDlls.end())
          << name << " is not a system DLL";
  }
}

// A GUI program with ASLR and NX, of its own target's kind, exporting the
// module "mivoraw" with both procedures by name.
TEST(StubHeaders, GuiProgramWithAslrNxAndTheTwoExports) {
  constexpr unsigned long kDynamicBase = 0x40;
  constexpr unsigned long kNxCompatible = 0x100;
  for (const test::BuiltStub& stub : test::built_stubs()) {
    SCOPED_TRACE(stub.name);
    std::string dump = private_headers(stub);
    ASSERT_FALSE(dump.empty()) << stub.path;
    std::string magic = std::string(stub.name) == "i386" ? "(PE32)" : "(PE32+)";
    EXPECT_NE(line_with(dump, "Magic").find(magic), std::string::npos) << line_with(dump, "Magic");
    EXPECT_NE(line_with(dump, "Subsystem\t").find("(Windows GUI)"), std::string::npos);
    std::string characteristics = line_with(dump, "DllCharacteristics");
    unsigned long bits = std::strtoul(characteristics.substr(characteristics.find_last_of('\t') + 1).c_str(), nullptr, 16);
    EXPECT_EQ(bits & (kDynamicBase | kNxCompatible), kDynamicBase | kNxCompatible) << characteristics;
    std::string module = line_with(dump, " mivoraw");  // the export directory's "Name ... mivoraw"
    EXPECT_EQ(module.rfind("Name ", 0), 0u) << module;
    EXPECT_NE(line_with(dump, "[   0] AboutDlgProc"), "");
    EXPECT_NE(line_with(dump, "[   1] MivoraWndProc"), "");
  }
}

}  // namespace
}  // namespace mivora::fault_test
