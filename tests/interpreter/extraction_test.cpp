// `list`, `file` and `copy`: what lands on disk, how it is written, what the
// page shows while it is written, Cancel between files, and the bounds that
// stop a copy instead of running past a table or buffer.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "installer_fixture.hpp"

namespace mivora::testing {
namespace {

using namespace format;
namespace fs = std::filesystem;

constexpr FileTime kTimes[] = {FileTime{0xD53E8000u, 0x01D8F0A1u}, FileTime{0x12345600u, 0x01C00000u},
                               FileTime{0x00000000u, 0x01D00000u}, FileTime{0x7FFFFF00u, 0x01DA0000u}};

std::string pattern(std::size_t size, char seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + i * 7 % 251);
  return s;
}

FileTime modification_time(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return to_file_time(UnixTime{st.st_mtim.tv_sec, st.st_mtim.tv_nsec});
}

class Extraction : public Installer {
 protected:
  // The destination as the script writes paths under it.
  std::string under(const std::string& relative) const { return target() + "\\" + relative; }
  // A page with the destination, then whatever the test records, then copy.
  writer::PackageBuilder start() const {
    writer::PackageBuilder b;
    b.dest(target(), 0);
    b.page(kPageNoBack);
    return b;
  }
  static void finish(writer::PackageBuilder& b) {
    b.copy("Copying");
    b.done("end");
  }
  // A page with the destination, one list holding one file of "abc", copy.
  writer::PackageBuilder one_file(const std::string& list = "", const std::string& name = "a.txt") const {
    writer::PackageBuilder b = start();
    b.list(list, 1);
    b.file(name, "abc", kTimes[0]);
    finish(b);
    return b;
  }
  // Two lists of two files, 0, 3, 65,536 and 65,537 bytes, and a list of none.
  writer::PackageBuilder four_files() const {
    writer::PackageBuilder b = start();
    b.list("", 2);
    b.file("empty", "", kTimes[0]);
    b.file("three", "abc", kTimes[1]);
    b.list("docs", 2);
    b.file("big", pattern(65536, 'a'), kTimes[2]);
    b.file("bigger", pattern(65537, 'b'), kTimes[3]);
    b.list("only-a-directory", 0);
    finish(b);
    return b;
  }
};

TEST_F(Extraction, CopiesListsWithContentsTimesAndWriteCounts) {
  struct Expected {
    std::string relative;
    std::string contents;
    FileTime time;
    std::vector<std::uint32_t> writes;
  };
  const std::vector<Expected> expected = {
      {"empty", "", kTimes[0], {}},
      {"three", "abc", kTimes[1], {3}},
      {"docs\\big", pattern(65536, 'a'), kTimes[2], {65536}},
      {"docs\\bigger", pattern(65537, 'b'), kTimes[3], {65536, 1}},
  };
  wizard.click(101).click(101);
  expect_finished(wizard, run(four_files()), "end");

  for (const Expected& e : expected) {
    SCOPED_TRACE(e.relative);
    std::string on_disk = target() + "/" + e.relative;
    std::replace(on_disk.begin(), on_disk.end(), '\\', '/');
    EXPECT_TRUE(read_file(on_disk) == e.contents);
    EXPECT_EQ(modification_time(on_disk).ticks(), e.time.ticks());
    auto written = files.writes.find(under(e.relative));
    EXPECT_EQ(written == files.writes.end() ? std::vector<std::uint32_t>{} : written->second, e.writes);
  }
  EXPECT_TRUE(fs::is_directory(target() + "/only-a-directory"));
  // Destination created and entered, list directories created relative to it.
  EXPECT_EQ(std::vector<std::string>(files.calls.begin(), files.calls.begin() + 3),
            (std::vector<std::string>{"mkdir " + target(), "chdir " + target(), "open " + under("empty") + " mode 2"}));
  EXPECT_NE(std::find(files.calls.begin(), files.calls.end(), "mkdir docs"), files.calls.end());
  EXPECT_EQ(std::find(files.calls.begin(), files.calls.end(), "mkdir "), files.calls.end());
}

TEST_F(Extraction, OneFileIsOpenedWrittenStampedAndClosedInThatOrder) {
  wizard.click(101).click(101);
  expect_finished(wizard, run(one_file()), "end");
  const std::string path = under("a.txt");
  EXPECT_EQ(files.calls, (std::vector<std::string>{"mkdir " + target(), "chdir " + target(),
                                                   "open " + path + " mode 2", "write " + path + " 3",
                                                   "times " + path, "close " + path}));
}

TEST_F(Extraction, CopyPageShowsThePathBeingWrittenAndThePercentage) {
  std::vector<std::string> shown_while_writing;
  files.on_write = [&](const std::string& path, std::uint32_t) {
    EXPECT_EQ(wizard.control(221).text, path);
    EXPECT_FALSE(wizard.control(221).enabled);
    EXPECT_EQ(wizard.control(222).text, "Current file:");
    for (int id : {210, 221, 222, 230, 231, 232}) {
      SCOPED_TRACE(id);
      EXPECT_TRUE(wizard.control(id).visible);
    }
    shown_while_writing.push_back(path);
  };
  wizard.click(101).click(101);
  expect_finished(wizard, run(four_files()), "end");
  EXPECT_EQ(shown_while_writing,
            (std::vector<std::string>{under("three"), under("docs\\big"), under("docs\\bigger"),
                                      under("docs\\bigger")}));
  // Total 131,076 bytes, looked at after each chunk and each file end; a
  // percentage already on screen is not set again.
  EXPECT_EQ(wizard.calls_starting("text 231 "),
            (std::vector<std::string>{"text 231 0%", "text 231 50%", "text 231 99%", "text 231 100%"}));
  EXPECT_EQ(wizard.calls_starting("text 210 "), (std::vector<std::string>{"text 210 Copying", "text 210 end"}));
  // The page is cleared after the copy: the progress display is gone.
  EXPECT_FALSE(wizard.control(231).visible);
  EXPECT_FALSE(wizard.control(221).visible);
}

TEST_F(Extraction, TrailingBackslashDoublesTheSeparator) {
  writer::PackageBuilder b;
  b.dest(target() + "\\", 0);
  b.page(kPageNoBack);
  b.list("", 1);
  b.file("a.txt", "abc", kTimes[0]);
  finish(b);
  wizard.click(101).click(101);
  expect_finished(wizard, run(b), "end");
  EXPECT_EQ(files.writes.count(target() + "\\\\a.txt"), 1u);
  EXPECT_EQ(read_file(target() + "/a.txt"), "abc");
}

TEST_F(Extraction, ExistingFileIsReplacedAndExistingDirectoryUsed) {
  fs::create_directories(target() + "/docs");
  {
    std::ofstream(target() + "/docs/a.txt") << "much longer old contents";
  }
  wizard.click(101).click(101);
  expect_finished(wizard, run(one_file("docs")), "end");
  EXPECT_EQ(read_file(target() + "/docs/a.txt"), "abc");
}

TEST_F(Extraction, FileThatCannotBeCreatedStopsTheCopy) {
  writer::PackageBuilder b = start();
  b.list("", 1);
  b.file("first.txt", "one", kTimes[0]);
  b.list("missing\\nested", 1);  // one level only: its parent does not exist
  b.file("second.txt", "two", kTimes[0]);
  finish(b);
  wizard.click(101).click(101);
  expect_error_state(wizard, run(b), "Could not create file.");
  EXPECT_EQ(read_file(target() + "/first.txt"), "one");  // nothing is rolled back
  EXPECT_FALSE(fs::exists(target() + "/missing"));
}

TEST_F(Extraction, ClicksDuringTheCopyAreTakenOnePerFile) {
  writer::PackageBuilder b = start();
  b.list("", 3);
  b.file("1", "one", kTimes[0]);
  b.file("2", "two", kTimes[0]);
  b.file("3", "three", kTimes[0]);
  finish(b);
  files.on_write = [&](const std::string& path, std::uint32_t) {
    if (path == under("1")) {
      wizard.perform(UserAction::click(101));
      wizard.perform(UserAction::click(2));
    }
  };
  std::string last_file_call_at_confirmation;
  wizard.on_call = [&](const std::string& line) {
    if (line == "confirm") last_file_call_at_confirmation = files.calls.back();
  };
  wizard.answer_confirmations({false});
  wizard.click(101).click(101);
  expect_finished(wizard, run(b), "end");
  // The Next after file 1, the Cancel only after file 2.
  EXPECT_EQ(wizard.confirmations_shown(), 1);
  EXPECT_EQ(last_file_call_at_confirmation, "close " + under("2"));
  EXPECT_EQ(read_file(target() + "/3"), "three");
}

TEST_F(Extraction, CancelConfirmedDuringTheCopyKeepsTheFilesWritten) {
  writer::PackageBuilder b = start();
  b.list("", 2);
  b.file("1", "one", kTimes[0]);
  b.file("2", "two", kTimes[0]);
  finish(b);
  files.on_write = [&](const std::string& path, std::uint32_t) {
    if (path == under("1")) wizard.perform(UserAction::click(2));
  };
  wizard.answer_confirmations({true});
  wizard.click(101);
  ScriptEnd end = run(b);
  EXPECT_TRUE(is_end_script(end));
  EXPECT_EQ(read_file(target() + "/1"), "one");
  EXPECT_FALSE(fs::exists(target() + "/2"));
}

TEST_F(Extraction, CancelMadeDuringTheLastFileStillAsks) {
  files.on_write = [&](const std::string&, std::uint32_t) { wizard.perform(UserAction::click(2)); };
  wizard.answer_confirmations({false});
  wizard.click(101).click(101);
  expect_finished(wizard, run(one_file()), "end");
  EXPECT_EQ(wizard.confirmations_shown(), 1);
}

TEST_F(Extraction, SecondCopyWithoutNewDestReadsThePathLeftInTheField) {
  writer::PackageBuilder b = start();
  b.list("", 1);
  b.file("a.txt", "abc", kTimes[0]);
  b.copy("first");
  b.copy("second");
  b.done("never");
  wizard.click(101).click(101);
  ScriptEnd end = run(b);
  // The second copy takes target\a.txt, a file, as its destination: it
  // cannot be entered, so nothing is opened under it.
  EXPECT_NE(std::find(files.calls.begin(), files.calls.end(), "mkdir " + under("a.txt")), files.calls.end());
  EXPECT_EQ(files.calls.back(), "chdir " + under("a.txt"));
  expect_error_state(wizard, end, "Could not create file.");
}

TEST_F(Extraction, DestinationThatCannotBeEnteredIsRefusedBeforeAnythingIsWritten) {
  std::ofstream(folder() + "/plain-file") << "x";
  // Empty would mean the root of the drive; the others would leave the
  // current directory where it was, the installer's own folder.
  for (const std::string& destination : {std::string(), folder() + "/missing/deeper", folder() + "/plain-file"}) {
    SCOPED_TRACE("destination '" + destination + "'");
    Session local;
    local.wizard.then(UserAction::type(destination)).click(101).click(101);
    expect_error_state(local.wizard, local.run(one_file("docs", "a")), "Could not create file.");
    for (const std::string& call : local.files.calls)
      EXPECT_TRUE(call == "mkdir " + destination || call == "chdir " + destination) << call;
    EXPECT_EQ(local.files.calls.empty(), destination.empty());
    EXPECT_FALSE(fs::exists(folder() + "/missing"));
  }
}

TEST_F(Extraction, EmptyFileGroupShowsOneHundredPercent) {
  for (bool with_empty_file : {false, true}) {
    SCOPED_TRACE(with_empty_file);
    Session local;
    writer::PackageBuilder b;
    b.dest(target(), 0);
    b.list("", with_empty_file ? 1 : 0);
    if (with_empty_file) b.file("empty", "", kTimes[0]);
    finish(b);
    local.wizard.click(101);
    expect_finished(local.wizard, local.run(b), "end");
    EXPECT_EQ(local.wizard.calls_starting("text 231 "), std::vector<std::string>{"text 231 100%"});
  }
}

TEST_F(Extraction, TablesBeyondTheirCapacityAreRefused) {
  struct Case {
    int lists;
    int files_per_list;
    bool fits;
  };
  for (const Case& c : {Case{32, 4, true}, Case{33, 0, false}, Case{1, 129, false}}) {
    SCOPED_TRACE(std::to_string(c.lists) + " lists of " + std::to_string(c.files_per_list));
    Session local;
    writer::PackageBuilder b;
    b.dest(target(std::to_string(c.lists)), 0);
    for (int l = 0; l < c.lists; ++l) {
      b.list("", static_cast<std::uint32_t>(c.files_per_list));
      for (int f = 0; f < c.files_per_list; ++f) b.file(std::to_string(l) + "-" + std::to_string(f), "x", kTimes[0]);
    }
    finish(b);
    local.wizard.click(101);
    ScriptEnd end = local.run(b);
    if (c.fits) {
      expect_finished(local.wizard, end, "end");
      EXPECT_EQ(local.files.writes.size(), 128u);
    } else {
      expect_error_state(local.wizard, end, "No valid install package.");
      EXPECT_TRUE(local.files.calls.empty());
    }
  }
}

TEST_F(Extraction, ListsClaimingMoreFilesThanRecordedAreRefusedBeforeAnythingIsCreated) {
  writer::PackageBuilder b = start();
  b.list("docs", 3);
  b.file("a", "abc", kTimes[0]);
  b.file("b", "abc", kTimes[0]);
  finish(b);
  wizard.click(101).click(101);
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
    local.wizard.then(UserAction::type(destination)).click(101).click(101);
    ScriptEnd end = local.run(one_file("", "a"));
    if (length <= 127) {
      expect_finished(local.wizard, end, "end");
      EXPECT_EQ(read_file(destination + "/a"), "abc");
    } else {
      expect_error_state(local.wizard, end, "Could not create file.");
      EXPECT_TRUE(local.files.calls.empty());
    }
  }
}

TEST_F(Extraction, FilePathLongerThan255CharactersIsRefused) {
  for (std::size_t length : {255u, 256u}) {
    SCOPED_TRACE(length);
    Session local;
    const std::string name(length - under("").size(), 'n');
    writer::PackageBuilder b;
    b.dest(target(), 0);
    b.list("", 1);
    b.file(name, "abc", kTimes[0]);
    finish(b);
    local.wizard.click(101);
    ScriptEnd end = local.run(b);
    if (length == 255) {
      expect_finished(local.wizard, end, "end");
      EXPECT_EQ(read_file(target() + "/" + name), "abc");
    } else {
      expect_error_state(local.wizard, end, "Could not create file.");
      EXPECT_FALSE(fs::exists(target() + "/" + name));
      EXPECT_EQ(local.files.calls.back(), "chdir " + target());
    }
  }
}

TEST_F(Extraction, ShortWriteRemovesTheFileAndStops) {
  writer::PackageBuilder b = start();
  b.list("", 3);
  b.file("a", "abc", kTimes[0]);
  b.file("b", pattern(70000, 'b'), kTimes[0]);
  b.file("c", "abc", kTimes[0]);
  finish(b);
  files.short_writes_to = under("b");
  wizard.click(101).click(101);
  expect_error_state(wizard, run(b), "Could not write file.");
  EXPECT_EQ(read_file(target() + "/a"), "abc");
  EXPECT_FALSE(fs::exists(target() + "/b"));
  EXPECT_FALSE(fs::exists(target() + "/c"));
  const std::vector<std::string> tail(files.calls.end() - 3, files.calls.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"write " + under("b") + " 65536", "close " + under("b"),
                                            "remove " + under("b")}));
}

}  // namespace
}  // namespace mivora::testing
