#pragma once
// Other programs as the host tests run them: a shell command with its
// output and exit code, and a child process whose standard input and output
// may be pipes (the installer and its helpers under Wine).
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace mivora::test {

struct CommandResult {
  int exit_code = -1;
  std::string output;  // standard output and standard error together
};
// Runs `command` through the shell.
CommandResult run_command(const std::string& command);
// A path as one shell word.
[[nodiscard]] std::string quoted(const std::filesystem::path& path);

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

}  // namespace mivora::test
