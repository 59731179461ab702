#pragma once
// Processes for the end-to-end tests: the installer started under Wine in a
// temporary directory of its own, and the UI probe (probe.exe) fed one
// command per line and answering one line each.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace mivora::wine_test {

// A fresh directory under /tmp, removed with its contents at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::string& path() const { return path_; }
  // The same place as Wine sees it: Z: is the Linux root.
  [[nodiscard]] std::string windows_path() const;

 private:
  std::string path_;
};

[[nodiscard]] std::string windows_path_of(const std::string& linux_path);
[[nodiscard]] std::vector<std::uint8_t> read_file(const std::string& path);
void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A child process; its standard input and output are pipes when asked for.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::string& directory, bool with_pipes);
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // The exit status (0..255), or -1 when the child still runs after `timeout_ms`.
  int wait(int timeout_ms);
  bool write_line(const std::string& line);
  // One line without its LF; false at end of output or after `timeout_ms`.
  bool read_line(std::string& line, int timeout_ms);
  void close_input();

 private:
  pid_t pid_ = -1;
  int to_child_ = -1;
  int from_child_ = -1;
  int status_ = -1;
  std::string pending_;
};

// The UI probe, started beside the installer in the same WINEPREFIX.
class Probe {
 public:
  explicit Probe(const std::vector<std::string>& prefix = {});
  ~Probe();
  // Sends one command; its one answer line, or "err probe-silent".
  std::string ask(const std::string& command, int timeout_ms = 30000);
  // Sends every command before reading an answer, so that they reach the
  // window as fast as the probe can act; the answers in order.
  std::vector<std::string> ask_all(const std::vector<std::string>& commands, int timeout_ms = 30000);

 private:
  Child child_;
};

// Path of a file of the Windows build (MIVORA_WIN32_DIR).
[[nodiscard]] std::string win32_build_file(const std::string& relative);

}  // namespace mivora::wine_test
