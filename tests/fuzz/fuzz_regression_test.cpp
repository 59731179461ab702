// Replays every input the fuzzer ever found troublesome, and the seeds,
// through the same harness under AddressSanitizer and UBSan.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/fuzz/fuzz_harness.hpp"
#include "tests/fuzz/seed_packages.hpp"

namespace mivora::fuzz {
namespace {

namespace fs = std::filesystem;

std::string throwaway_root() { return "/tmp/mivora-fuzz-replay-" + std::to_string(::getpid()); }

TEST(FuzzRegression, EveryRecordedFindingRunsToAClosedWindow) {
  fs::path folder = fs::path(MIVORA_SOURCE_DIR) / "tests/fuzz/regressions";
  int replayed = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
    SCOPED_TRACE(entry.path().filename().string());
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(run_package_bytes(bytes.data(), bytes.size(), throwaway_root()).window_closed);
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
    for (std::size_t n = 0; n < seed.bytes.size(); n += 3) {
      std::vector<std::uint8_t> prefix(seed.bytes.begin(), seed.bytes.begin() + static_cast<std::ptrdiff_t>(n));
      EXPECT_TRUE(run_package_bytes(prefix.data(), prefix.size(), throwaway_root()).window_closed);
    }
  }
}

}  // namespace
}  // namespace mivora::fuzz
