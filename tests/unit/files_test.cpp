// The file-system operations against the real file system: POSIX on the host,
// Win32 under Wine.
#include "support/files.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace mivora {
namespace {

namespace fs = std::filesystem;

CountedView counted(const std::string& s) { return CountedView{s.data(), static_cast<std::uint8_t>(s.size())}; }

class FileOperations : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void write(const std::string& name, std::uint32_t mode, const std::string& data) {
    std::string p = path(name);
    FileHandle f = open_file(mode, counted(p));
    ASSERT_TRUE(f.valid()) << p;
    EXPECT_EQ(write_to_file(f, data.data(), static_cast<std::uint32_t>(data.size())), data.size());
    close_file(f);
  }

  test::TempDir dir_;
};

TEST_F(FileOperations, OpenModes) {
  write("f", kOpenCreateAlways, "first contents");
  write("f", kOpenCreateAlways, "new");  // truncates
  EXPECT_EQ(test::read_text(dir_ / "f"), "new");
  write("f", kOpenAppend, "+more");  // appends
  EXPECT_EQ(test::read_text(dir_ / "f"), "new+more");
  write("g", kOpenAppend, "created");  // creates a missing file
  EXPECT_EQ(test::read_text(dir_ / "g"), "created");
  write("f", 0x100 | kOpenCreateAlways, "low8");  // only the low 8 bits count
  EXPECT_EQ(test::read_text(dir_ / "f"), "low8");
  write("f", kOpenReadWrite, "XY");  // opens at the start, no truncation
  EXPECT_EQ(test::read_text(dir_ / "f"), "XYw8");

  for (std::uint32_t mode : {0u, 1u, 7u}) {
    SCOPED_TRACE(mode);
    EXPECT_FALSE(open_file(mode, counted(path("missing"))).valid());
  }
  EXPECT_FALSE(open_file(kOpenCreateAlways, literal("")).valid());
}

TEST_F(FileOperations, DirectoriesAndCurrentDirectory) {
  std::string sub = path("sub");
  EXPECT_TRUE(create_directory(counted(sub)));
  EXPECT_TRUE(create_directory(counted(sub)));  // existing: no error, nothing changes
  EXPECT_TRUE(fs::is_directory(sub));
  EXPECT_FALSE(create_directory(counted(path("missing\\parent"))));  // one level only
  EXPECT_FALSE(create_directory(counted(path("missing/parent"))));
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  write("plain", kOpenCreateAlways, "x");
  EXPECT_FALSE(create_directory(counted(path("plain"))));  // a file stands there
  EXPECT_EQ(test::read_text(dir_ / "plain"), "x");
  EXPECT_FALSE(create_directory(literal("")));

  CountedBuffer<255> before;
  get_current_directory(before);
  EXPECT_FALSE(set_current_directory(counted(path("missing"))));
  EXPECT_TRUE(set_current_directory(counted(sub)));
  CountedBuffer<255> now;
  get_current_directory(now);
  EXPECT_TRUE(fs::equivalent(fs::path(std::string(now.chars, now.length)), sub));
  FileHandle f = open_file(kOpenCreateAlways, literal("relative.txt"));
  ASSERT_TRUE(f.valid());
  close_file(f);
  EXPECT_TRUE(fs::exists(dir_ / "sub" / "relative.txt"));
  EXPECT_TRUE(set_current_directory(before));
  delete_file(counted(path("sub/relative.txt")));
  EXPECT_FALSE(fs::exists(dir_ / "sub" / "relative.txt"));
}

TEST_F(FileOperations, LongNamePassesWhole) {
  std::string base = path("");
  ASSERT_LT(base.size(), 200u);
  std::string name = base + std::string(255 - base.size(), 'n');
  ASSERT_EQ(name.size(), 255u);
  std::string leaf = name.substr(base.size());
  if (leaf.size() > 250) GTEST_SKIP() << "temporary folder too short for the leaf limit";
  FileHandle f = open_file(kOpenCreateAlways, counted(name));
  ASSERT_TRUE(f.valid());
  close_file(f);
  EXPECT_TRUE(fs::exists(dir_ / leaf));
}

TEST_F(FileOperations, SetFileTimesGivesTheStoredTimeBack) {
  // 2001-02-03 04:05:06.1234567 UTC in 100 ns units since 1601.
  const FileTime stored = to_file_time(UnixTime{981173106, 123456700});
  ASSERT_EQ(to_unix_time(stored).nanoseconds, 123456700);
  std::string p = path("stamped");
  FileHandle f = open_file(kOpenCreateAlways, counted(p));
  ASSERT_TRUE(f.valid());
  set_file_times(f, stored);
#ifdef _WIN32
  FILETIME created, accessed, written;
  ASSERT_TRUE(GetFileTime(reinterpret_cast<HANDLE>(f.value), &created, &accessed, &written));
  for (const FILETIME& t : {created, accessed, written}) {
    EXPECT_EQ(t.dwLowDateTime, stored.low);
    EXPECT_EQ(t.dwHighDateTime, stored.high);
  }
  close_file(f);
#else
  close_file(f);
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(to_file_time(UnixTime{st.st_mtim.tv_sec, st.st_mtim.tv_nsec}).ticks(), stored.ticks());
  EXPECT_EQ(to_file_time(UnixTime{st.st_atim.tv_sec, st.st_atim.tv_nsec}).ticks(), stored.ticks());
#endif
}

TEST(FileTimeConversion, ExactBothWays) {
  EXPECT_EQ(to_file_time(UnixTime{0, 0}).ticks(), 116444736000000000ull);
  EXPECT_EQ(to_unix_time(FileTime::from_ticks(116444736000000001ull)).nanoseconds, 100);
  EXPECT_EQ(to_unix_time(FileTime{}).seconds, -11644473600);
  EXPECT_EQ(to_file_time(UnixTime{-11644473601, 0}).ticks(), 0u);  // before 1601
  for (std::uint64_t ticks : {0ull, 1ull, 9999999ull, 132514596000000000ull, 0x7FFFFFFFFFFFFFFFull}) {
    SCOPED_TRACE(ticks);
    EXPECT_EQ(to_file_time(to_unix_time(FileTime::from_ticks(ticks))).ticks(), ticks);
  }
}

}  // namespace
}  // namespace mivora
