// mivora-pack build on a build machine: it never writes over its own inputs,
// leaves nothing behind when it is interrupted, and gives the same bytes
// for the same sources under SOURCE_DATE_EPOCH.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/processes.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/installer_identity.hpp"
#include "tools/writer/pe_image.hpp"

extern char** environ;

namespace mivora::pack {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;

const std::string kPack = MIVORA_PACK;
const fs::path kStub = fs::path(MIVORA_TEST_STUBS) / "stub.exe";

fs::path partial_of(fs::path output) { return output += ".partial"; }

TEST(BuildCommand, OutputThatWouldReplaceAnInputOrLandInAPackedTreeIsRefused) {
  test::TempDir dir;
  test::write_text(dir / "app" / "a.txt", "a");
  test::write_text(dir / "notes.txt", "n");
  test::write_bytes(dir / "stub.exe", test::read_bytes(kStub));
  test::write_text(dir / "setup.mivora",
                   "page no-back\ndest \"C:\\\\A\"\nfiles \"\" from \"app\"\nlist \"\"\n"
                   "file \"notes.txt\" from \"notes.txt\"\ncopy \"c\"\ndone \"d\"\n");
  struct Case {
    const char* what;
    fs::path output;
    const char* says;
  } cases[] = {
      {"the script", dir / "setup.mivora", "it is the script itself"},
      {"a source file", dir / "notes.txt", "a file the package holds"},
      {"a file of a packed tree", dir / "app" / "a.txt", "a folder the package holds"},
      {"a new file in a packed tree", dir / "app" / "setup.exe", "so the next build would pack it"},
      {"the same tree by another path", dir / "app" / ".." / "app" / "x.bin", "a folder the package holds"},
      {"the stub", dir / "stub.exe", "it is the stub"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::uint8_t> before = fs::exists(c.output) ? test::read_bytes(c.output) : std::vector<std::uint8_t>{};
    // A stub goes with an installer only.
    std::string stub = c.output.extension() == ".exe" ? " --stub " + quoted(dir / "stub.exe") : "";
    test::CommandResult r =
        run_command(kPack + " build " + quoted(dir / "setup.mivora") + " -o " + quoted(c.output) + stub);
    EXPECT_EQ(r.exit_code, 2) << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
    EXPECT_EQ(fs::exists(c.output) ? test::read_bytes(c.output) : std::vector<std::uint8_t>{}, before);
    EXPECT_FALSE(fs::exists(partial_of(c.output)));
  }
  EXPECT_EQ(run_command(kPack + " build " + quoted(dir / "setup.mivora") + " -o " + quoted(dir / "setup.exe") +
                        " --stub " + quoted(dir / "stub.exe"))
                .exit_code,
            0)
      << "beside the tree is fine";
}

// Starts mivora-pack with `arguments`; the caller waits for it.
pid_t spawn_pack(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {kPack};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, kPack.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

TEST(BuildCommand, InterruptedBuildRemovesItsPartialOutput) {
  test::TempDir dir;
  // Sparse sources: a large package to write, little disk to read.
  for (const char* name : {"one.bin", "two.bin"}) {
    test::write_text(dir / "tree" / name, "");
    fs::resize_file(dir / "tree" / name, 700ull << 20);
  }
  test::write_text(dir / "setup.mivora",
                   "page no-back\ndest \"C:\\\\A\"\nfiles \"\" from \"tree\"\ncopy \"c\"\ndone \"d\"\n");
  fs::path output = dir / "setup.exe";
  for (int signal_number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal_number);
    pid_t pid = spawn_pack({"build", (dir / "setup.mivora").string(), "-o", output.string(), "--stub", kStub.string()});
    ASSERT_GT(pid, 0);
    auto written = [&output] {
      std::error_code error;
      std::uintmax_t size = fs::file_size(partial_of(output), error);
      return error ? 0 : size;
    };
    auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (written() < (64u << 20) && std::chrono::steady_clock::now() < give_up)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_TRUE(fs::exists(partial_of(output))) << "the build ended before it could be interrupted";
    kill(pid, signal_number);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << "it ends as the signal asks: " << status;
    EXPECT_FALSE(fs::exists(partial_of(output)));
    EXPECT_FALSE(fs::exists(output));
  }
}

TEST(BuildCommand, SourceDateEpochGivesTheSameInstallerFromCopiesWithOtherTimes) {
  test::TempDir dir;
  const std::int64_t epoch = 1700000000;
  const auto clock_time = [](std::int64_t seconds) {
    return std::chrono::file_clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds{seconds}});
  };
  for (const char* copy : {"first", "second"}) {
    fs::path tree = dir / copy / "tree";
    test::write_text(tree / "old.txt", "old");
    test::write_text(tree / "new" / "new.txt", "new");
    fs::last_write_time(tree / "old.txt", clock_time(1000000000));  // before the epoch: kept
    fs::last_write_time(tree / "new" / "new.txt", clock_time(std::string(copy) == "first" ? 1800000000 : 1900000000));
    test::write_text(dir / copy / "setup.mivora",
                     "page no-back\ndest \"C:\\\\A\"\nfiles \"\" from \"tree\"\ncopy \"c\"\ndone \"d\"\n");
  }
  auto build = [&](const char* copy, const std::string& environment) {
    return run_command(environment + kPack + " build " + quoted(dir / copy / "setup.mivora") + " -o " +
                       quoted(dir / copy / "setup.exe") + " --stub " + quoted(kStub));
  };
  std::string with_epoch = "SOURCE_DATE_EPOCH=" + std::to_string(epoch) + " ";
  ASSERT_EQ(build("first", with_epoch).exit_code, 0);
  ASSERT_EQ(build("second", with_epoch).exit_code, 0);
  std::vector<std::uint8_t> first = test::read_bytes(dir / "first" / "setup.exe");
  EXPECT_EQ(first, test::read_bytes(dir / "second" / "setup.exe"));
  writer::pe::Image image = writer::pe::parse_image(first);
  EXPECT_EQ(writer::get_u32(first, image.coff_offset + writer::pe::kCoffTimeDateStamp, ""), epoch);
  test::CommandResult dump = run_command(kPack + " dump " + quoted(dir / "first" / "setup.exe"));
  EXPECT_NE(dump.output.find("old.txt\" time 2001-09-09T01:46:40Z"), std::string::npos) << dump.output;
  EXPECT_NE(dump.output.find("new.txt\" time 2023-11-14T22:13:20Z"), std::string::npos) << dump.output;

  for (const char* bad : {"yesterday", "-5", "4294967296"}) {
    SCOPED_TRACE(bad);
    test::CommandResult r = build("first", std::string("SOURCE_DATE_EPOCH=") + bad + " ");
    EXPECT_EQ(r.exit_code, 2) << r.output;
    EXPECT_NE(r.output.find("SOURCE_DATE_EPOCH"), std::string::npos) << r.output;
  }
}

TEST(BuildCommand, FilenameWordNamesTheInstallerBuiltUnderAnotherName) {
  test::TempDir dir;
  test::write_text(dir / "setup.mivora", "version \"1.0\"\nfilename \"setup.exe\"\npage no-back\ndone \"d\"\n");
  test::CommandResult r = run_command(kPack + " build " + quoted(dir / "setup.mivora") + " -o " +
                                      quoted(dir / "setup-unsigned.exe") + " --stub " + quoted(kStub));
  ASSERT_EQ(r.exit_code, 0) << r.output;
  writer::IdentityReadBack identity = writer::read_identity(test::read_bytes(dir / "setup-unsigned.exe"));
  ASSERT_TRUE(identity.version);
  EXPECT_EQ(identity.version->original_filename, "setup.exe");
}

}  // namespace
}  // namespace mivora::pack
