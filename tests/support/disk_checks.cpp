#include "tests/support/disk_checks.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "tests/support/temp_dir.hpp"

namespace mivora::test {

void expect_installed_file(const std::filesystem::path& root, const InstalledFile& file) {
  const std::filesystem::path path = file.list_dir.empty() ? root / file.name : root / file.list_dir / file.name;
  SCOPED_TRACE(path.string());
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0) << "missing";
  UnixTime want = to_unix_time(file.time);
  EXPECT_EQ(st.st_mtim.tv_sec, want.seconds);
  EXPECT_EQ(st.st_mtim.tv_nsec, want.nanoseconds);
  if (file.chunks != 0) return expect_chunked_file(path, file.chunk_file, file.chunks);
  std::vector<std::uint8_t> got = read_bytes(path);
  ASSERT_EQ(got.size(), file.contents.size()) << "incomplete";
  EXPECT_TRUE(std::equal(got.begin(), got.end(), file.contents.begin(),
                         [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
      << "contents differ";
}

void expect_installed(const std::filesystem::path& root, const std::vector<InstalledFile>& files) {
  for (const auto& f : files) expect_installed_file(root, f);
}

void expect_chunked_file(const std::filesystem::path& path, std::uint32_t file, std::uint32_t chunks) {
  std::vector<std::uint8_t> got = read_bytes(path);
  ASSERT_EQ(got.size(), std::size_t{kChunkSize} * chunks) << path << " is incomplete";
  for (std::uint32_t chunk = 0; chunk < chunks; ++chunk)
    ASSERT_TRUE(std::equal(got.begin() + std::size_t{chunk} * kChunkSize,
                           got.begin() + std::size_t{chunk + 1} * kChunkSize, chunk_of(file, chunk).begin()))
        << "chunk " << chunk << " of " << path;
}

}  // namespace mivora::test
