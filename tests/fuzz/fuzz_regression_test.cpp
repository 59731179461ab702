// Replays every input the fuzzer ever found troublesome, and the seeds,
// through the same harness under AddressSanitizer and UBSan.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/fuzz/fuzz_harness.hpp"
#include "tests/fuzz/seed_packages.hpp"
#include "tests/support/temp_dir.hpp"

namespace mivora::test {
namespace {

namespace fs = std::filesystem;

std::string throwaway_root() { return "/tmp/mivora-fuzz-replay-" + std::to_string(::getpid()); }

void expect_safe_run(const std::vector<std::uint8_t>& bytes) {
  RunOutcome outcome = run_package_bytes(bytes.data(), bytes.size(), throwaway_root());
  EXPECT_TRUE(outcome.window_closed);
  EXPECT_FALSE(outcome.waited_without_end);
}

TEST(FuzzRegression, EveryRecordedFindingRunsToAClosedWindow) {
  fs::path folder = fs::path(MIVORA_SOURCE_DIR) / "tests/fuzz/regressions";
  int replayed = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
    SCOPED_TRACE(entry.path().filename().string());
    expect_safe_run(read_bytes(entry.path()));
    ++replayed;
  }
  EXPECT_GT(replayed, 0) << "nothing to replay in " << folder;
}

TEST(FuzzRegression, SeedsInstallTheirFilesAndEveryTruncationStaysSafe) {
  for (const SeedPackage& seed : seed_packages()) {
    SCOPED_TRACE(seed.name);
    RunOutcome whole = run_package_bytes(seed.bytes.data(), seed.bytes.size(), throwaway_root());
    EXPECT_TRUE(whole.window_closed);
    EXPECT_EQ(whole.bytes_written, seed.content_bytes);
    for (std::size_t n = 0; n < seed.bytes.size(); n += 3)
      expect_safe_run({seed.bytes.begin(), seed.bytes.begin() + static_cast<std::ptrdiff_t>(n)});
  }
}

}  // namespace
}  // namespace mivora::test
