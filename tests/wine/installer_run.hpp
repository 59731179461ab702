#pragma once
// One installer run under Wine: a package put into a copy of the stub in a
// fresh directory, started beside a UI probe, and checked by what the window
// shows, the exit code and the files on disk. Shared by the installer's
// suite and the fault suite.
// MIVORA_SCREENSHOTS=DIR saves a PNG of each page a test names.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/file_time.hpp"
#include "tests/wine/wine_session.hpp"
#include "tools/writer/package_builder.hpp"

namespace mivora::wine_test {

inline constexpr int kExitTimeoutMs = 20000;
inline constexpr const char* kErrorNotice = "An error occurred. \\nClick 'Finish' to close.";
inline constexpr const char* kConfirmText = "Are you sure you want to exit the install package?";
inline constexpr FileTime kSomeTime = to_file_time(UnixTime{1700000000, 123456700});

// A text as the probe reads and writes it: LF as \n, a backslash doubled.
[[nodiscard]] std::string escaped(const std::string& text);

[[nodiscard]] std::vector<std::uint8_t> stub_bytes();

// A file as a package carries it and as it must land under the destination:
// `contents`, or when `chunks` is set that many chunks of chunk_of(chunk_file).
struct InstalledFile {
  std::string list_dir;
  std::string name;
  std::string contents;
  FileTime time;
  std::uint32_t chunks = 0;
  std::uint32_t chunk_file = 0;
};

// `size` bytes that differ with `seed` and with the position.
[[nodiscard]] std::string pattern(std::size_t size, char seed);

// The destination page (dest with `destination`), the files in lists (one
// list per run of equal directories), copy, and the closing text "Installed".
[[nodiscard]] writer::PackageBuilder copying(const std::string& destination, const std::vector<InstalledFile>& files,
                                             std::uint32_t dest_flags = 0);

// The file below `root` has exactly its contents and carries its time.
void expect_installed_file(const std::string& root, const InstalledFile& file);
void expect_installed(const std::string& root, const std::vector<InstalledFile>& files);

// Large files are made of 1 MiB chunks that each begin with their file's
// index and their own, so that a chunk written twice, skipped or cut is seen.
inline constexpr std::uint32_t kChunkSize = 1u << 20;
[[nodiscard]] std::vector<std::uint8_t> chunk_of(std::uint32_t file, std::uint32_t chunk);
// Records file `file` of `chunks` chunks, streamed into the package.
void add_chunked_file(writer::PackageBuilder& b, const std::string& name, std::uint32_t file, std::uint32_t chunks,
                      FileTime time);
void expect_chunked_file(const std::string& path, std::uint32_t file, std::uint32_t chunks);
[[nodiscard]] InstalledFile chunked(const std::string& name, std::uint32_t file, std::uint32_t chunks);

// A 128 MiB file, then ten small ones: the script is busy between two waits
// long enough to be clicked at.
[[nodiscard]] std::vector<InstalledFile> busy_files();

class InstallerRun : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // setup.exe in the run's directory: the stub with `package` as resource 42.
  void write_setup(const writer::PackageBuilder& package);
  void write_plain_stub();
  // Starts setup.exe (after `prefix`, e.g. setpriv) and a probe that has found its window.
  void start(const std::vector<std::string>& prefix = {});
  void run(const writer::PackageBuilder& package);

  std::string ask(const std::string& command, int timeout_ms = 30000);
  void expect_ok(const std::string& command);
  std::string text(int id);
  bool visible(int id);
  bool enabled(int id);

  // Returns once the page waits for an answer: clicks made while a page is
  // still being built are dropped, so tests click only after this.
  void settle_page();
  // Waits for the page that shows `text` in 210, then for it to wait.
  void wait_page(const std::string& text);
  // The Finish state with `closing` in 210: "Finish" ends the process with 0.
  void finish(const std::string& closing);
  int exit_code();
  // The window closes and the process ends with code 0.
  void expect_closed_with_zero();
  void expect_error_state(const std::string& message);
  void expect_error_state_then_finish(const std::string& message);
  void screenshot(const std::string& name);

  [[nodiscard]] const TempDir& dir() const { return *dir_; }
  // Ends this run's processes; the next run starts in a new directory.
  void start_over();

  std::unique_ptr<TempDir> dir_ = std::make_unique<TempDir>();
  std::unique_ptr<Child> installer_;
  std::unique_ptr<Probe> probe_;
};

}  // namespace mivora::wine_test
