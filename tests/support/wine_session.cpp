#include "tests/support/wine_session.hpp"

#include <cstdlib>

namespace mivora::test {
namespace {

std::vector<std::string> probe_command(const std::vector<std::string>& prefix) {
  std::vector<std::string> argv = prefix;
  argv.push_back("wine");
  argv.push_back(win32_build_file("tests/probe.exe"));
  return argv;
}

}  // namespace

std::string win32_build_file(const std::string& relative) {
  const char* dir = std::getenv("MIVORA_WIN32_DIR");
  return std::string(dir != nullptr ? dir : MIVORA_WIN32_DIR) + "/" + relative;
}

Probe::Probe(const std::vector<std::string>& prefix) : child_(probe_command(prefix), "", true) {}

Probe::~Probe() {
  child_.write_line("quit");
  child_.close_input();
  child_.wait(5000);
}

std::string Probe::ask(const std::string& command, int timeout_ms) {
  std::string line;
  if (!child_.write_line(command) || !child_.read_line(line, timeout_ms)) return "err probe-silent";
  return line;
}

std::vector<std::string> Probe::ask_all(const std::vector<std::string>& commands, int timeout_ms) {
  std::vector<std::string> answers;
  for (const auto& command : commands)
    if (!child_.write_line(command)) return answers;
  std::string line;
  while (answers.size() < commands.size() && child_.read_line(line, timeout_ms)) answers.push_back(line);
  return answers;
}

}  // namespace mivora::test
