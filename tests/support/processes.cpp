#include "tests/support/processes.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace mivora::test {

CommandResult run_command(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  int status = pclose(pipe);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

Child::Child(const std::vector<std::string>& argv, const std::string& directory, bool with_pipes) {
  int in_pipe[2] = {-1, -1};
  int out_pipe[2] = {-1, -1};
  if (with_pipes && (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0)) return;
  pid_ = fork();
  if (pid_ == 0) {
    // Nothing of Wine's keeps the test's own output open: a wineserver it
    // starts outlives the test.
    int null_fd = open("/dev/null", O_RDWR);
    dup2(with_pipes ? in_pipe[0] : null_fd, 0);
    dup2(with_pipes ? out_pipe[1] : null_fd, 1);
    dup2(null_fd, 2);
    if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  if (with_pipes) {
    close(in_pipe[0]);
    close(out_pipe[1]);
    to_child_ = in_pipe[1];
    from_child_ = out_pipe[0];
  }
}

Child::~Child() {
  close_input();
  if (from_child_ >= 0) close(from_child_);
  if (pid_ > 0 && wait(0) < 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

int Child::wait(int timeout_ms) {
  if (pid_ <= 0) return -1;
  if (status_ >= 0) return status_;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return status_;
    }
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool Child::write_line(const std::string& line) {
  if (to_child_ < 0) return false;
  std::string data = line + "\n";
  return ::write(to_child_, data.data(), data.size()) == static_cast<ssize_t>(data.size());
}

bool Child::read_line(std::string& line, int timeout_ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      line = pending_.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending_.erase(0, end + 1);
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (from_child_ < 0 || left.count() <= 0) return false;
    pollfd p{from_child_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    ssize_t n = ::read(from_child_, buffer, sizeof buffer);
    if (n <= 0) return false;
    pending_.append(buffer, static_cast<std::size_t>(n));
  }
}

void Child::close_input() {
  if (to_child_ >= 0) close(to_child_);
  to_child_ = -1;
}

}  // namespace mivora::test
