#include "tests/support/wine_session.hpp"

#include <cstdlib>

namespace mivora::test {
namespace {

std::vector<std::string> probe_command(const std::vector<std::string>& prefix) {
  std::vector<std::string> argv = prefix;
  argv.push_back(wine_loader());
  argv.push_back(windows_build_file("tests/probe.exe"));
  return argv;
}

}  // namespace

std::string windows_build_file(const std::string& relative) {
  const char* dir = std::getenv("MIVORA_WINDOWS_BUILD");
  return std::string(dir != nullptr && *dir != '\0' ? dir : MIVORA_WIN32_DIR) + "/" + relative;
}

std::vector<BuiltStub> built_stubs() {
  return {{"i386", std::string(MIVORA_WIN32_DIR) + "/mivora.exe", "i686-w64-mingw32-objdump"},
          {"x86-64", std::string(MIVORA_WIN64_DIR) + "/mivora.exe", "x86_64-w64-mingw32-objdump"}};
}

std::string wine_loader() {
  const char* loader = std::getenv("MIVORA_WINE");
  return loader != nullptr && *loader != '\0' ? loader : "wine";
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
