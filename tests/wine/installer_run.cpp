#include "tests/wine/installer_run.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tools/writer/pe_resources.hpp"

namespace mivora::wine_test {

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\\n") : c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

std::vector<std::uint8_t> stub_bytes() { return read_file(win32_build_file("mivora.exe")); }

std::string pattern(std::size_t size, char seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + i * 7 % 251);
  return s;
}

writer::PackageBuilder copying(const std::string& destination, const std::vector<InstalledFile>& files,
                               std::uint32_t dest_flags) {
  writer::PackageBuilder b;
  b.name("Copy");
  b.text("Where to?");
  b.dest(destination, dest_flags);
  std::size_t i = 0;
  while (i < files.size()) {
    std::size_t j = i;
    while (j < files.size() && files[j].list_dir == files[i].list_dir) ++j;
    b.list(files[i].list_dir, static_cast<std::uint32_t>(j - i));
    for (; i < j; ++i) {
      const InstalledFile& f = files[i];
      if (f.chunks != 0)
        add_chunked_file(b, f.name, f.chunk_file, f.chunks, f.time);
      else
        b.file(f.name, f.contents, f.time);
    }
  }
  b.page(1);
  b.copy("Copying");
  b.done("Installed");
  return b;
}

void expect_installed_file(const std::string& root, const InstalledFile& file) {
  std::string path = root + (file.list_dir.empty() ? "" : "/" + file.list_dir) + "/" + file.name;
  SCOPED_TRACE(path);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0) << "missing";
  UnixTime want = to_unix_time(file.time);
  EXPECT_EQ(st.st_mtim.tv_sec, want.seconds);
  EXPECT_EQ(st.st_mtim.tv_nsec, want.nanoseconds);
  if (file.chunks != 0) return expect_chunked_file(path, file.chunk_file, file.chunks);
  std::vector<std::uint8_t> got = read_file(path);
  ASSERT_EQ(got.size(), file.contents.size()) << "incomplete";
  EXPECT_TRUE(std::equal(got.begin(), got.end(), file.contents.begin(),
                         [](std::uint8_t a, char b) { return a == static_cast<std::uint8_t>(b); }))
      << "contents differ";
}

void expect_installed(const std::string& root, const std::vector<InstalledFile>& files) {
  for (const auto& f : files) expect_installed_file(root, f);
}

std::vector<std::uint8_t> chunk_of(std::uint32_t file, std::uint32_t chunk) {
  static const std::vector<std::uint8_t> filler = [] {
    std::vector<std::uint8_t> bytes(kChunkSize);
    for (std::uint32_t i = 0; i < kChunkSize; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + (i >> 12));
    return bytes;
  }();
  std::vector<std::uint8_t> bytes = filler;
  for (int b = 0; b < 4; ++b) {
    bytes[b] = static_cast<std::uint8_t>(file >> (8 * b));
    bytes[4 + b] = static_cast<std::uint8_t>(chunk >> (8 * b));
  }
  return bytes;
}

void add_chunked_file(writer::PackageBuilder& b, const std::string& name, std::uint32_t file, std::uint32_t chunks,
                      FileTime time) {
  b.file(name, kChunkSize * chunks, time, [file, chunks](writer::ByteSink& sink) {
    for (std::uint32_t chunk = 0; chunk < chunks; ++chunk) sink.write(chunk_of(file, chunk).data(), kChunkSize);
  });
}

void expect_chunked_file(const std::string& path, std::uint32_t file, std::uint32_t chunks) {
  std::vector<std::uint8_t> got = read_file(path);
  ASSERT_EQ(got.size(), std::size_t{kChunkSize} * chunks) << path << " is incomplete";
  for (std::uint32_t chunk = 0; chunk < chunks; ++chunk)
    ASSERT_TRUE(std::equal(got.begin() + std::size_t{chunk} * kChunkSize,
                           got.begin() + std::size_t{chunk + 1} * kChunkSize, chunk_of(file, chunk).begin()))
        << "chunk " << chunk << " of " << path;
}

InstalledFile chunked(const std::string& name, std::uint32_t file, std::uint32_t chunks) {
  return InstalledFile{"", name, "", kSomeTime, chunks, file};
}

std::vector<InstalledFile> busy_files() {
  std::vector<InstalledFile> files = {chunked("large.bin", 0, 128)};
  for (int i = 0; i < 10; ++i) files.push_back({"", "small" + std::to_string(i) + ".txt", std::to_string(i), kSomeTime});
  return files;
}

void InstallerRun::SetUp() {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no DISPLAY: run under Xvfb (./run test does)";
  ASSERT_FALSE(stub_bytes().empty()) << "no stub at " << win32_build_file("mivora.exe");
  ASSERT_TRUE(std::filesystem::exists(win32_build_file("tests/probe.exe")));
  ASSERT_FALSE(dir().path().empty());
}

void InstallerRun::TearDown() {
  probe_.reset();
  installer_.reset();
}

void InstallerRun::write_setup(const writer::PackageBuilder& package) {
  std::vector<std::uint8_t> setup;
  std::string error;
  ASSERT_TRUE(writer::replace_resource(stub_bytes(), writer::kRtRcdata, writer::kPackageResourceId, package.build(),
                                       setup, error))
      << error;
  write_file(dir().path() + "/setup.exe", setup);
}

void InstallerRun::write_plain_stub() { write_file(dir().path() + "/setup.exe", stub_bytes()); }

void InstallerRun::start(const std::vector<std::string>& prefix) {
  std::vector<std::string> argv = prefix;
  argv.insert(argv.end(), {"wine", "setup.exe"});
  installer_ = std::make_unique<Child>(argv, dir().path(), false);
  probe_ = std::make_unique<Probe>(prefix);
  ASSERT_EQ(ask("find 20000"), "ok");
}

void InstallerRun::run(const writer::PackageBuilder& package) {
  ASSERT_NO_FATAL_FAILURE(write_setup(package));
  ASSERT_NO_FATAL_FAILURE(start());
}

std::string InstallerRun::ask(const std::string& command, int timeout_ms) { return probe_->ask(command, timeout_ms); }

void InstallerRun::expect_ok(const std::string& command) { EXPECT_EQ(ask(command), "ok") << command; }

std::string InstallerRun::text(int id) { return ask("text " + std::to_string(id)); }

bool InstallerRun::visible(int id) { return ask("visible " + std::to_string(id)) == "ok 1"; }

bool InstallerRun::enabled(int id) { return ask("enabled " + std::to_string(id)) == "ok 1"; }

// "Decline" (203) disables Next only on a waiting page; "Accept" (202) undoes it.
void InstallerRun::settle_page() {
  expect_ok("timeout 300");
  bool waiting = false;
  for (int attempt = 0; attempt < 30 && !waiting; ++attempt) {
    expect_ok("post 203");
    waiting = ask("waitstate 101 disabled") == "ok";
  }
  expect_ok("timeout 10000");
  ASSERT_TRUE(waiting) << "the page never waited for an answer";
  expect_ok("post 202");
  expect_ok("waitstate 101 enabled");
}

void InstallerRun::wait_page(const std::string& text) {
  expect_ok("waittext 210 " + text);
  settle_page();
}

void InstallerRun::finish(const std::string& closing) {
  expect_ok("waittext 101 Finish");
  EXPECT_EQ(this->text(210), "ok " + closing);
  expect_ok("click 101");
  expect_closed_with_zero();
}

int InstallerRun::exit_code() { return installer_->wait(kExitTimeoutMs); }

void InstallerRun::expect_closed_with_zero() {
  EXPECT_EQ(ask("gone"), "ok");
  EXPECT_EQ(exit_code(), 0);
}

void InstallerRun::expect_error_state(const std::string& message) {
  SCOPED_TRACE(message);
  expect_ok("waittext 101 Finish");
  EXPECT_EQ(text(210), std::string("ok ") + kErrorNotice);
  EXPECT_EQ(text(211), "ok " + message);
  EXPECT_TRUE(visible(210));
  EXPECT_TRUE(visible(211));
  EXPECT_TRUE(enabled(101));
  EXPECT_FALSE(enabled(102));
  EXPECT_FALSE(enabled(2));
  for (int page_control : {220, 202, 203, 221, 222, 201, 230, 231, 232})
    EXPECT_FALSE(visible(page_control)) << page_control;
}

void InstallerRun::expect_error_state_then_finish(const std::string& message) {
  expect_error_state(message);
  expect_ok("click 101");
  expect_closed_with_zero();
}

void InstallerRun::screenshot(const std::string& name) {
  const char* dir = std::getenv("MIVORA_SCREENSHOTS");
  if (dir == nullptr) return;
  std::filesystem::create_directories(dir);
  std::string command = "import -window root '" + std::string(dir) + "/" + name + ".png'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

void InstallerRun::start_over() {
  probe_.reset();
  installer_.reset();
  dir_ = std::make_unique<TempDir>();
}

}  // namespace mivora::wine_test
