// The installer's import table names only DLLs of the system, so nothing
// placed beside it is loaded when it starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
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

std::vector<std::string> imported_dlls(const std::string& executable) {
  std::vector<std::string> names;
  test::CommandResult dump = test::run_command("i686-w64-mingw32-objdump -p '" + executable + "'");
  std::istringstream lines(dump.output);
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
  if (std::system("command -v i686-w64-mingw32-objdump >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "i686-w64-mingw32-objdump is not installed";
  std::string stub = test::win32_build_file("mivora.exe");
  ASSERT_TRUE(std::filesystem::exists(stub)) << stub;
  std::vector<std::string> names = imported_dlls(stub);
  ASSERT_FALSE(names.empty()) << "objdump found no imports in " << stub;
  EXPECT_NE(std::find(names.begin(), names.end(), "kernel32.dll"), names.end());
  for (const auto& name : names)
    EXPECT_NE(std::find(kSystemDlls.begin(), kSystemDlls.end(), name), kSystemDlls.end())
        << name << " is not a system DLL";
}

}  // namespace
}  // namespace mivora::fault_test
