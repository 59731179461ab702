// `list`, `file` and `copy`: what lands on disk, how it is written, what the
// page shows while it is written, Cancel between files, and the bounds that
// stop a copy instead of running past a table or buffer.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "installer_fixture.hpp"
#include "tests/support/disk_checks.hpp"

namespace mivora::test {
namespace {

using namespace format;
namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

class Extraction : public Installer {
 protected:
  // A path below the destination as the script writes it.
  std::string under(const std::string& relative) const { return target() + "\\" + relative; }
  // "Next >>" on the destination page, then "Finish".
  void click_through() { wizard.click(Control::kNext).click(Control::kNext); }
  bool file_call_made(const std::string& call) const {
    return std::find(files.calls.begin(), files.calls.end(), call) != files.calls.end();
  }
};

TEST_F(Extraction, CopiesListsWithContentsTimesAndWriteCounts) {
  click_through();
  expect_finished(wizard, run(four_files_package(target())), "Installed");
  const std::vector<InstalledFile> installed = four_files();
  expect_installed(target(), installed);
  EXPECT_TRUE(fs::is_directory(target() + "/only-a-directory"));
  // In chunks of 64 KiB; an empty file takes no write.
  const std::vector<std::vector<std::uint32_t>> writes = {{}, {3}, {65536}, {65536, 1}};
  for (std::size_t i = 0; i < writes.size(); ++i) {
    const InstalledFile& f = installed[i];
    const std::string path = under(f.list_dir.empty() ? f.name : f.list_dir + "\\" + f.name);
    SCOPED_TRACE(path);
    auto written = files.writes.find(path);
    EXPECT_EQ(written == files.writes.end() ? std::vector<std::uint32_t>{} : written->second, writes[i]);
  }
  EXPECT_FALSE(file_call_made("mkdir ")) << "the destination's own list makes no directory";
}

TEST_F(Extraction, OneFileIsOpenedWrittenStampedAndClosedInThatOrder) {
  click_through();
  expect_finished(wizard, run(one_file(target())), "Installed");
  const std::string path = under("a.txt");
  EXPECT_EQ(files.calls, (Texts{"mkdir " + target(), "chdir " + target(), "open " + path + " mode 2",
                                "write " + path + " 3", "times " + path, "close " + path}));
}

TEST_F(Extraction, CopyPageShowsThePathBeingWrittenAndThePercentage) {
  Texts shown_while_writing;
  files.on_write = [&](const std::string& path, std::uint32_t) {
    EXPECT_EQ(wizard.control(Control::kDestination).text, path);
    EXPECT_FALSE(wizard.control(Control::kDestination).enabled);
    EXPECT_EQ(wizard.control(Control::kDestinationLabel).text, "Current file:");
    for (Control c : {Control::kText, Control::kDestination, Control::kDestinationLabel, Control::kProgressLabel,
                      Control::kProgressText, Control::kProgressFrame}) {
      SCOPED_TRACE(control_name(c));
      EXPECT_TRUE(wizard.control(c).visible);
    }
    shown_while_writing.push_back(path);
  };
  click_through();
  expect_finished(wizard, run(four_files_package(target())), "Installed");
  EXPECT_EQ(shown_while_writing, (Texts{under("three"), under("docs\\big"), under("docs\\bigger"),
                                        under("docs\\bigger")}));
  // Total 131,076 bytes, looked at after each chunk and each file end; a
  // percentage already on screen is not set again.
  EXPECT_EQ(wizard.texts_given(Control::kProgressText), (Texts{"0%", "50%", "99%", "100%"}));
  EXPECT_EQ(wizard.texts_given(Control::kText), (Texts{"Where to?", "Copying", "Installed"}));
  // The page is cleared after the copy: the progress display is gone.
  EXPECT_FALSE(wizard.control(Control::kProgressText).visible);
  EXPECT_FALSE(wizard.control(Control::kDestination).visible);
}

// 48 MiB: past 42,949,672 bytes, a 32-bit `bytes * 100` wraps and the
// percentage falls back.
TEST_F(Extraction, PercentageOfAGroupOverFortyTwoMillionBytesRisesSteadilyToOneHundred) {
  files.write_contents = false;
  click_through();
  expect_finished(wizard, run(copying(target(), {chunked("large.bin", 0, 48)})), "Installed");
  const Texts& shown = wizard.texts_given(Control::kProgressText);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), "100%");
  Texts every_percentage;
  for (int p = 0; p <= 100; ++p) every_percentage.push_back(std::to_string(p) + "%");
  EXPECT_EQ(shown, every_percentage);
}

TEST_F(Extraction, TrailingBackslashDoublesTheSeparator) {
  click_through();
  expect_finished(wizard, run(one_file(target() + "\\")), "Installed");
  EXPECT_EQ(files.writes.count(target() + "\\\\a.txt"), 1u);
  EXPECT_EQ(read_text(target() + "/a.txt"), "abc");
}

TEST_F(Extraction, ExistingFileIsReplacedAndExistingDirectoryUsed) {
  write_text(target() + "/docs/a.txt", "much longer old contents");
  click_through();
  expect_finished(wizard, run(one_file(target(), "docs")), "Installed");
  EXPECT_EQ(read_text(target() + "/docs/a.txt"), "abc");
}

TEST_F(Extraction, FileThatCannotBeCreatedStopsTheCopy) {
  fs::create_directories(target() + "/second.txt");  // a folder where the file goes
  click_through();
  ScriptEnd end = run(copying(target(), {{"", "first.txt", "one", kSomeTime},
                                         {"", "second.txt", "two", kSomeTime},
                                         {"", "third.txt", "three", kSomeTime}}));
  expect_error_state(wizard, end, "Could not create file.");
  EXPECT_EQ(read_text(target() + "/first.txt"), "one");  // nothing is rolled back
  EXPECT_TRUE(fs::is_empty(target() + "/second.txt"));
  EXPECT_FALSE(fs::exists(target() + "/third.txt"));
}

// The levels of an absolute POSIX path from the top, the root "/" not one.
Texts levels_of(const std::string& path) {
  Texts levels;
  for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
    levels.push_back(path.substr(0, at));
  levels.push_back(path);
  return levels;
}

// The calls before the first file is opened.
Texts calls_before_first_open(const Texts& calls) {
  auto open = std::find_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("open ", 0) == 0; });
  return Texts(calls.begin(), open);
}

TEST_F(Extraction, MissingLevelsOfTheDestinationAndOfAListAreMadeFromTheTopBeforeAnyFile) {
  const std::string destination = target("new1") + "\\new2\\new3";
  click_through();
  expect_finished(wizard, run(copying(destination, {{"", "top.txt", "one", kSomeTime},
                                                    {"x\\y", "a.txt", "two", kSomeTime}})), "Installed");
  EXPECT_EQ(read_text(folder() + "/new1/new2/new3/top.txt"), "one");
  EXPECT_EQ(read_text(folder() + "/new1/new2/new3/x/y/a.txt"), "two");
  // Each is asked for whole first, which fails while its parent is missing.
  Texts expected = {"mkdir " + destination};
  for (const std::string& level : levels_of(folder())) expected.push_back("mkdir " + level);
  for (const std::string& call : {"mkdir " + target("new1"), "mkdir " + target("new1") + "\\new2",
                                  "mkdir " + destination, "chdir " + destination, std::string("mkdir x\\y"),
                                  std::string("mkdir x"), std::string("mkdir x\\y")})
    expected.push_back(call);
  EXPECT_EQ(calls_before_first_open(files.calls), expected);
}

TEST_F(Extraction, FileStandingWhereAListsLevelGoesStopsTheCopyBeforeAnyFile) {
  write_text(target() + "/x", "in the way");
  click_through();
  ScriptEnd end = run(copying(target(), {{"", "top.txt", "one", kSomeTime}, {"x\\y", "a.txt", "two", kSomeTime}}));
  expect_error_state(wizard, end, "Could not create file.");
  EXPECT_EQ(calls_before_first_open(files.calls), files.calls) << "a file was opened";
  EXPECT_EQ(files.calls.back(), "mkdir x");
  EXPECT_EQ(read_text(target() + "/x"), "in the way");
  EXPECT_FALSE(fs::exists(target() + "/top.txt"));
}

// Files "1", "2", "3" holding "one", "two", "three".
std::vector<InstalledFile> numbered(int count) {
  const std::string contents[] = {"one", "two", "three"};
  std::vector<InstalledFile> files;
  for (int i = 0; i < count; ++i) files.push_back({"", std::to_string(i + 1), contents[i], kSomeTime});
  return files;
}

TEST_F(Extraction, ClicksDuringTheCopyAreTakenOnePerFile) {
  files.on_write = [&](const std::string& path, std::uint32_t) {
    if (path == under("1")) {
      wizard.perform(UserAction::click(Control::kNext));
      wizard.perform(UserAction::click(Control::kCancel));
    }
  };
  std::string last_file_call_at_confirmation;
  wizard.on_call = [&](const std::string& line) {
    if (line == "confirm") last_file_call_at_confirmation = files.calls.back();
  };
  wizard.answer_confirmations({false});
  click_through();
  expect_finished(wizard, run(copying(target(), numbered(3))), "Installed");
  // The Next after file 1, the Cancel only after file 2.
  EXPECT_EQ(wizard.confirmations_shown(), 1);
  EXPECT_EQ(last_file_call_at_confirmation, "close " + under("2"));
  EXPECT_EQ(read_text(target() + "/3"), "three");
}

TEST_F(Extraction, CancelConfirmedDuringTheCopyKeepsTheFilesWritten) {
  files.on_write = [&](const std::string& path, std::uint32_t) {
    if (path == under("1")) wizard.perform(UserAction::click(Control::kCancel));
  };
  wizard.answer_confirmations({true});
  wizard.click(Control::kNext);
  EXPECT_TRUE(is_end_script(run(copying(target(), numbered(2)))));
  EXPECT_EQ(read_text(target() + "/1"), "one");
  EXPECT_FALSE(fs::exists(target() + "/2"));
}

TEST_F(Extraction, CancelMadeDuringTheLastFileStillAsks) {
  files.on_write = [&](const std::string&, std::uint32_t) { wizard.perform(UserAction::click(Control::kCancel)); };
  wizard.answer_confirmations({false});
  click_through();
  expect_finished(wizard, run(one_file(target())), "Installed");
  EXPECT_EQ(wizard.confirmations_shown(), 1);
}

// The window queues nothing of the script's own, so the look between two
// files sees the close box itself: the copy ends after the file being written.
TEST_F(Extraction, CloseBoxDuringTheCopyEndsItAfterTheFileBeingWritten) {
  files.on_write = [&](const std::string& path, std::uint32_t) {
    if (path == under("1")) wizard.perform(UserAction::close());
  };
  wizard.click(Control::kNext);
  ScriptEnd end = run(copying(target(), numbered(3)));
  EXPECT_TRUE(is_exit_thread(end));
  EXPECT_EQ(read_text(target() + "/1"), "one");
  EXPECT_FALSE(fs::exists(target() + "/2"));
  EXPECT_EQ(wizard.confirmations_shown(), 0);
}

// A key outranks a command in the look between files: a key alone lets the
// copy go on without waiting, and a Cancel behind a key still asks.
TEST_F(Extraction, KeyDuringTheCopyNeitherHoldsItNorHidesACancel) {
  for (bool cancel_too : {false, true}) {
    SCOPED_TRACE(cancel_too ? "key and Cancel" : "key alone");
    Session local;
    local.files.on_write = [&](const std::string& path, std::uint32_t) {
      if (path != target() + "\\1") return;
      local.wizard.perform(UserAction::key('a'));
      if (cancel_too) local.wizard.perform(UserAction::click(Control::kCancel));
    };
    if (cancel_too) local.wizard.answer_confirmations({false});
    local.wizard.click(Control::kNext).click(Control::kNext);
    expect_finished(local.wizard, local.run(copying(target(), numbered(3))), "Installed");
    EXPECT_EQ(local.wizard.confirmations_shown(), cancel_too ? 1 : 0);
    EXPECT_EQ(read_text(target() + "/3"), "three");
  }
}

TEST_F(Extraction, SecondCopyWithoutNewDestReadsThePathLeftInTheField) {
  PackageBuilder b = begin_copying(target());
  add_lists(b, {{"", "a.txt", "abc", kSomeTime}});
  b.page(kPageNoBack);
  b.copy("first");
  b.copy("second");
  b.done("never");
  click_through();
  ScriptEnd end = run(b);
  // The second copy takes target\a.txt, a file, as its destination: it
  // cannot be made, so it is not entered and nothing is opened under it.
  EXPECT_EQ(files.calls.back(), "mkdir " + under("a.txt"));
  EXPECT_FALSE(file_call_made("chdir " + under("a.txt")));
  expect_error_state(wizard, end, "Could not create file.");
}

TEST_F(Extraction, DestinationThatCannotBeMadeIsRefusedBeforeAnythingIsWritten) {
  write_text(folder() + "/plain-file", "x");
  // Empty would mean the root of the drive; the others would leave the
  // current directory where it was, the installer's own folder.
  for (const std::string& destination :
       {std::string(), folder() + "/plain-file", folder() + "/plain-file\\deeper\\deepest"}) {
    SCOPED_TRACE("destination '" + destination + "'");
    Session local;
    local.wizard.then(UserAction::type(destination)).click(Control::kNext).click(Control::kNext);
    expect_error_state(local.wizard, local.run(one_file(target(), "docs", "a")), "Could not create file.");
    for (const std::string& call : local.files.calls) EXPECT_EQ(call.rfind("mkdir ", 0), 0u) << call;
    EXPECT_EQ(local.files.calls.empty(), destination.empty());
    if (!destination.empty()) {
      EXPECT_EQ(local.files.calls.back(), "mkdir " + folder() + "/plain-file");
    }
    EXPECT_EQ(read_text(folder() + "/plain-file"), "x");
  }
}

TEST_F(Extraction, EmptyFileGroupShowsOneHundredPercent) {
  for (bool with_empty_file : {false, true}) {
    SCOPED_TRACE(with_empty_file);
    Session local;
    PackageBuilder b = begin_copying(target());
    if (with_empty_file)
      add_lists(b, {{"", "empty", "", kSomeTime}});
    else
      b.list("", 0);
    end_copying(b);
    local.wizard.click(Control::kNext).click(Control::kNext);
    expect_finished(local.wizard, local.run(b), "Installed");
    EXPECT_EQ(local.wizard.texts_given(Control::kProgressText), Texts{"100%"});
  }
}

TEST_F(Extraction, TablesBeyondTheirCapacityAreRefused) {
  struct Case {
    int lists;
    int files_per_list;
    bool fits;
  };
  constexpr int kLists = static_cast<int>(kMaxListsPerGroup);
  constexpr int kFiles = static_cast<int>(kMaxFilesPerGroup);
  for (const Case& c : {Case{kLists, kFiles / kLists, true}, Case{kLists + 1, 0, false}, Case{1, kFiles + 1, false}}) {
    SCOPED_TRACE(std::to_string(c.lists) + " lists of " + std::to_string(c.files_per_list));
    const std::string destination = target(std::to_string(c.lists));
    Session local;
    local.wizard.click(Control::kNext);
    if (c.fits) local.wizard.click(Control::kNext);  // the refusal comes before the page
    ScriptEnd end = local.run(file_table(destination, c.lists, c.files_per_list));
    if (c.fits) {
      expect_finished(local.wizard, end, "Installed");
      EXPECT_EQ(std::distance(fs::directory_iterator(destination), fs::directory_iterator()), kFiles);
    } else {
      expect_error_state(local.wizard, end, "No valid install package.");
      EXPECT_TRUE(local.files.calls.empty());
    }
  }
}

// `count` file records, each "shared", that all point at one data block of
// `size` zero bytes: a group far larger than its package.
std::vector<std::uint8_t> records_sharing_one_block(const std::string& destination, std::uint32_t count,
                                                   std::uint32_t size) {
  PackageBuilder b = begin_copying(destination);
  b.list("", count);
  b.file("shared", size, kSomeTime, [size](writer::ByteSink& sink) {
    const std::vector<std::uint8_t> zeros(1 << 20);
    for (std::uint32_t left = size; left > 0;) {
      const std::uint32_t piece = std::min<std::uint32_t>(left, static_cast<std::uint32_t>(zeros.size()));
      sink.write(zeros.data(), piece);
      left -= piece;
    }
  });
  for (std::uint32_t i = 1; i < count; ++i) b.command(kTagFile, {0, size, kSomeTime.low, kSomeTime.high, 0, 0});
  end_copying(b);
  std::vector<std::uint8_t> bytes = b.build();
  // The first record's data offset, written in by the layout, goes into the others.
  auto word = [&bytes](std::size_t at) { return read_u32le(bytes.data() + at); };
  std::uint32_t block = 0;
  for (std::size_t at = kHeadSize; block == 0 || at < block; at += kWordSize) {
    if (word(at) != kTagFile) continue;
    if (block == 0) block = word(at + kWordSize);
    else store_u32le(bytes.data() + at + kWordSize, block);
  }
  return bytes;
}

// The group's sizes add up past 4 GiB; a 32-bit sum would wrap to 64 MiB and
// show 200%, 300%, ... after the first file.
TEST_F(Extraction, PercentageOfAGroupPast4GiBRunsFrom0To100) {
  const std::uint32_t count = 65;
  const std::uint32_t size = 64u << 20;  // 65 x 64 MiB = 4160 MiB
  files.write_contents = false;
  click_through();
  expect_finished(wizard, session.run_bytes(records_sharing_one_block(target(), count, size)), "Installed");
  EXPECT_EQ(files.writes[under("shared")].size(), count * (size / 65536));
  Texts percentages;
  for (int p = 0; p <= 100; ++p) percentages.push_back(std::to_string(p) + "%");
  EXPECT_EQ(wizard.texts_given(Control::kProgressText), percentages);
}

TEST_F(Extraction, ListsClaimingMoreFilesThanRecordedAreRefusedBeforeAnythingIsCreated) {
  PackageBuilder b = begin_copying(target());
  b.list("docs", 3);
  b.file("a", "abc", kSomeTime);
  b.file("b", "abc", kSomeTime);
  end_copying(b);
  click_through();
  expect_error_state(wizard, run(b), "No valid install package.");
  EXPECT_TRUE(files.calls.empty());
  EXPECT_FALSE(fs::exists(target()));
}

TEST_F(Extraction, DestinationLongerThan127CharactersIsRefused) {
  for (std::size_t length : {127u, 128u, 300u}) {
    SCOPED_TRACE(length);
    ASSERT_LT(folder().size() + 2, 127u);
    std::string destination = folder() + "/" + std::string(length - folder().size() - 1, 'd');
    Session local;
    local.wizard.then(UserAction::type(destination)).click(Control::kNext).click(Control::kNext);
    ScriptEnd end = local.run(one_file(target(), "", "a"));
    if (length <= 127) {
      expect_finished(local.wizard, end, "Installed");
      EXPECT_EQ(read_text(destination + "/a"), "abc");
    } else {
      expect_error_state(local.wizard, end, "Could not create file.");
      EXPECT_TRUE(local.files.calls.empty());
    }
  }
}

// destination\name or destination\directory\name: the separator after a
// list's directory counts like every other character.
TEST_F(Extraction, FilePathLongerThan255CharactersIsRefused) {
  for (const std::string& list : {std::string(), std::string("docs")}) {
    for (std::size_t length : {255u, 256u}) {
      SCOPED_TRACE("list '" + list + "', path of " + std::to_string(length));
      const std::string folder_of_file = list.empty() ? target() : target() + "/" + list;
      const std::string name(length - under(list.empty() ? "" : list + "\\").size(), 'n');
      Session local;
      local.wizard.click(Control::kNext).click(Control::kNext);
      ScriptEnd end = local.run(copying(target(), {{list, name, "abc", kSomeTime}}));
      if (length == 255) {
        expect_finished(local.wizard, end, "Installed");
        EXPECT_EQ(read_text(folder_of_file + "/" + name), "abc");
      } else {
        expect_error_state(local.wizard, end, "Could not create file.");
        EXPECT_TRUE(fs::is_empty(folder_of_file));
        EXPECT_FALSE(std::any_of(local.files.calls.begin(), local.files.calls.end(),
                                 [](const std::string& call) { return call.rfind("open ", 0) == 0; }));
      }
      std::error_code ignored;
      fs::remove_all(target(), ignored);
    }
  }
}

TEST_F(Extraction, ShortWriteRemovesTheFileAndStops) {
  files.short_writes_to = under("b");
  click_through();
  ScriptEnd end = run(copying(target(), {{"", "a", "abc", kSomeTime},
                                         {"", "b", pattern(70000, 'b'), kSomeTime},
                                         {"", "c", "abc", kSomeTime}}));
  expect_error_state(wizard, end, "Could not write file.");
  EXPECT_EQ(read_text(target() + "/a"), "abc");
  EXPECT_FALSE(fs::exists(target() + "/b"));
  EXPECT_FALSE(fs::exists(target() + "/c"));
  const Texts tail(files.calls.end() - 3, files.calls.end());
  EXPECT_EQ(tail, (Texts{"write " + under("b") + " 65536", "close " + under("b"), "remove " + under("b")}));
}

}  // namespace
}  // namespace mivora::test
