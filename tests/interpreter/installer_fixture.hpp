#pragma once
// Runs a whole package through the interpreter with the scripted wizard and
// the recorded file system, in a temporary folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "interpreter/interpreter.hpp"
#include "recording_file_system.hpp"
#include "scripted_wizard.hpp"
#include "tools/writer/package_builder.hpp"

namespace mivora::testing {

inline const std::string kErrorNotice = "An error occurred. \nClick 'Finish' to close.";
// The page controls, in the order clear page hides them.
inline constexpr int kPageControlIds[] = {220, 202, 203, 210, 211, 221, 222, 201, 230, 231, 232};

// One installer run: the window, the file system and the package bytes.
struct Session {
  ScriptedWizard wizard;
  RecordingFileSystem files;
  std::vector<std::uint8_t> package_bytes;

  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() { EXPECT_FALSE(wizard.answers_left()) << "the script ended before the user was done"; }

  ScriptEnd run(const writer::PackageBuilder& builder) { return run_bytes(builder.build()); }
  ScriptEnd run_bytes(std::vector<std::uint8_t> bytes);
};

// The Finish state after "Finish" was pressed.
void expect_finished(const ScriptedWizard& wizard, const ScriptEnd& end, const std::string& closing_text);
// The error state after "Finish": the message in 211, the notice in 210,
// only those two page controls visible, Back and Cancel greyed.
void expect_error_state(const ScriptedWizard& wizard, const ScriptEnd& end, const std::string& message);
// The close requests that end brings, with exit code 0, destroy the window.
void expect_window_closed(ScriptedWizard& wizard, const ScriptEnd& end, int close_requests);

std::string text_of(CountedView v);
bool is_end_script(const ScriptEnd& end);
bool is_exit_thread(const ScriptEnd& end);
// A word put into a built package, for packages broken on purpose.
void put_word(std::vector<std::uint8_t>& bytes, std::uint32_t offset, std::uint32_t value);
std::uint32_t word_of(const std::vector<std::uint8_t>& bytes, std::uint32_t offset);

// A fixture with its own temporary folder; the process's current directory,
// which `copy` changes, is put back afterwards.
class Installer : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ScriptEnd run(const writer::PackageBuilder& builder) { return session.run(builder); }
  ScriptEnd run_bytes(std::vector<std::uint8_t> bytes) { return session.run_bytes(std::move(bytes)); }

  [[nodiscard]] std::string folder() const { return folder_.string(); }
  [[nodiscard]] std::string target(const std::string& name = "Target") const { return folder() + "/" + name; }
  [[nodiscard]] static std::string read_file(const std::string& path);

  Session session;
  ScriptedWizard& wizard = session.wizard;
  RecordingFileSystem& files = session.files;

 private:
  std::filesystem::path folder_;
  std::filesystem::path previous_directory_;
};

}  // namespace mivora::testing
