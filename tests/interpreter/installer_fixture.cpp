#include "installer_fixture.hpp"

#include <chrono>
#include <fstream>
#include <sstream>

#include "interpreter/script_input.hpp"

namespace mivora::testing {
namespace {

namespace fs = std::filesystem;

// The package bytes as resource 42 would give them; records when it is looked at.
class BytesSource final : public PackageSource {
 public:
  BytesSource(const std::vector<std::uint8_t>& bytes, ScriptedWizard& wizard) : bytes_(bytes), wizard_(wizard) {}
  ByteView locate() override {
    wizard_.record("locate");
    return ByteView{bytes_.data(), static_cast<std::uint32_t>(bytes_.size())};
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  ScriptedWizard& wizard_;
};

}  // namespace

std::string text_of(CountedView v) { return std::string(v.chars, v.length); }

bool is_end_script(const ScriptEnd& end) { return end.kind == ScriptEnd::Kind::kEndScript && end.code == 0; }

bool is_exit_thread(const ScriptEnd& end) { return end.kind == ScriptEnd::Kind::kExitThread; }

void put_word(std::vector<std::uint8_t>& bytes, std::uint32_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t word_of(const std::vector<std::uint8_t>& bytes, std::uint32_t offset) {
  std::uint32_t w = 0;
  for (int i = 3; i >= 0; --i) w = w << 8 | bytes.at(offset + i);
  return w;
}

ScriptEnd Session::run_bytes(std::vector<std::uint8_t> bytes) {
  package_bytes = std::move(bytes);
  BytesSource source(package_bytes, wizard);
  ScriptInput input(wizard);
  ScriptEnvironment environment{source, wizard, input, files};
  return run_package(environment);
}

void expect_finished(const ScriptedWizard& wizard, const ScriptEnd& end, const std::string& closing_text) {
  EXPECT_TRUE(is_end_script(end));
  EXPECT_EQ(wizard.control(210).text, closing_text);
  EXPECT_TRUE(wizard.control(210).visible);
  EXPECT_EQ(wizard.control(101).text, "Finish");
  EXPECT_TRUE(wizard.control(101).enabled);
  EXPECT_FALSE(wizard.control(102).enabled);
  EXPECT_FALSE(wizard.control(2).enabled);
}

void expect_error_state(const ScriptedWizard& wizard, const ScriptEnd& end, const std::string& message) {
  expect_finished(wizard, end, kErrorNotice);
  EXPECT_EQ(wizard.control(211).text, message);
  for (int id : kPageControlIds) {
    SCOPED_TRACE(id);
    EXPECT_EQ(wizard.control(id).visible, id == 210 || id == 211);
  }
}

void expect_window_closed(ScriptedWizard& wizard, const ScriptEnd& end, int close_requests) {
  EXPECT_EQ(close_window_for(wizard, end), 0u);
  EXPECT_EQ(wizard.close_requests(), close_requests);
  EXPECT_TRUE(wizard.destroyed());
}

void Installer::SetUp() {
  previous_directory_ = fs::current_path();
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  folder_ = fs::temp_directory_path() / ("mivora-run-" + std::to_string(stamp));
  fs::create_directories(folder_);
}

void Installer::TearDown() {
  fs::current_path(previous_directory_);
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

std::string Installer::read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace mivora::testing
