#pragma once
// Runs a whole package through the interpreter with the fake wizard window
// and the recorded file system, in a temporary folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "recording_file_system.hpp"
#include "tests/support/fake_wizard.hpp"
#include "tests/support/packages.hpp"
#include "tests/support/temp_dir.hpp"

namespace mivora::test {

inline const std::string kErrorNotice = "An error occurred. \nClick 'Finish' to close.";

// One installer run: the window, the file system and the package bytes.
// At its end the user must have done everything asked of them, and the
// script must have asked nothing the user could not answer.
struct Session {
  FakeWizard wizard;
  RecordingFileSystem files;
  std::vector<std::uint8_t> package_bytes;

  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session();

  ScriptEnd run(const PackageBuilder& builder) { return run_bytes(builder.build()); }
  ScriptEnd run_bytes(std::vector<std::uint8_t> bytes);
};

// The Finish state after "Finish" was pressed, which ended the script with `exit_code`.
void expect_finished(const FakeWizard& wizard, const ScriptEnd& end, const std::string& closing_text,
                     std::uint32_t exit_code = kExitSuccess);
// The error state after "Finish": the message in Text2, the notice in Text,
// only those two page controls visible, Back and Cancel greyed, and the
// script's end a failed install (1603).
void expect_error_state(const FakeWizard& wizard, const ScriptEnd& end, const std::string& message);
// The close requests that end brings, with exit code 0, destroy the window.
void expect_window_closed(FakeWizard& wizard, const ScriptEnd& end, int close_requests);

bool is_end_script(const ScriptEnd& end);
bool is_exit_thread(const ScriptEnd& end);

// A fixture with its own temporary folder; the process's current directory,
// which `copy` changes, is put back afterwards.
class Installer : public ::testing::Test {
 protected:
  Installer() : previous_directory_(std::filesystem::current_path()) {}
  ~Installer() override { std::filesystem::current_path(previous_directory_); }

  ScriptEnd run(const PackageBuilder& builder) { return session.run(builder); }

  [[nodiscard]] std::string folder() const { return dir_.path().string(); }
  [[nodiscard]] std::string target(const std::string& name = "Target") const { return folder() + "/" + name; }

  Session session;
  FakeWizard& wizard = session.wizard;
  RecordingFileSystem& files = session.files;

 private:
  std::filesystem::path previous_directory_;
  TempDir dir_;
};

}  // namespace mivora::test
