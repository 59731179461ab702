// Loading a package and dispatching its commands: the head checks, the bounds
// walk that refuses a package before any page, unknown tags and the end marker.
#include <functional>

#include "installer_fixture.hpp"

namespace mivora::testing {
namespace {

using namespace format;

writer::PackageBuilder worked_example() {
  writer::PackageBuilder b;
  b.name("Demo");
  b.text("Hello");
  b.page(kPageNoBack);
  b.done("Bye");
  return b;
}

// Runs bytes that must be refused and checks that no page ever appeared.
void expect_refused(std::vector<std::uint8_t> bytes) {
  Session session;
  session.wizard.click(101);
  ScriptEnd end = session.run_bytes(std::move(bytes));
  expect_error_state(session.wizard, end, "No valid install package.");
  EXPECT_TRUE(session.wizard.calls_starting("text 0 ").empty()) << "the caption was set";
  EXPECT_TRUE(session.wizard.calls_starting("disable 102").size() == 1) << "a page was shown";
  EXPECT_TRUE(session.files.calls.empty());
}

TEST(PackageLoading, ControlHandleTableIsFilledBeforeThePackageIsLookedAt) {
  Session session;
  session.wizard.click(101).click(101);
  (void)session.run(worked_example());
  const std::vector<std::string>& log = session.wizard.log();
  ASSERT_GE(log.size(), 17u);
  EXPECT_EQ(log[0], "fill");
  EXPECT_EQ(log[1], "locate");
  // Clear page, then the caption before anything else is shown.
  EXPECT_EQ(log[2], "hide 220");
  EXPECT_EQ(log[16], "text 0 Demo");
}

TEST(PackageLoading, BrokenHeadsShowNoValidPackageAndNoPage) {
  struct Case {
    const char* what;
    std::function<void(writer::PackageBuilder&)> spoil;
  };
  const Case cases[] = {
      {"magic", [](writer::PackageBuilder& b) { b.set_head_overrides({.magic = make_tag("paxk")}); }},
      {"head tag", [](writer::PackageBuilder& b) { b.set_head_overrides({.head_tag = make_tag("Head")}); }},
      {"version 0", [](writer::PackageBuilder& b) { b.set_head_overrides({.version = 0}); }},
      {"version 2", [](writer::PackageBuilder& b) { b.set_head_overrides({.version = 2}); }},
      {"script offset 0", [](writer::PackageBuilder& b) { b.set_head_overrides({.zero_script_offset = true}); }},
      {"string table offset 0",
       [](writer::PackageBuilder& b) { b.set_head_overrides({.zero_string_table_offset = true}); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writer::PackageBuilder b = worked_example();
    c.spoil(b);
    expect_refused(b.build());
  }
  SCOPED_TRACE("no resource");
  expect_refused({});
  SCOPED_TRACE("shorter than the head record");
  expect_refused({'p', 'a', 'c', 'k', 'h', 'e', 'a', 'd'});
}

TEST(PackageLoading, ValuesOutsideThePackageAreRefusedBeforeAnyPage) {
  struct Case {
    const char* what;
    std::function<std::vector<std::uint8_t>()> make;
  };
  // The first command's arguments begin at offset 24 in every built package.
  auto with_file = [](std::function<void(std::vector<std::uint8_t>&)> spoil) {
    return [spoil] {
      writer::PackageBuilder b;
      b.name("Demo");
      b.list("", 1);
      b.file("f.txt", "abc", FileTime{});
      b.page(0);
      std::vector<std::uint8_t> bytes = b.build();
      spoil(bytes);
      return bytes;
    };
  };
  constexpr std::uint32_t kFileArguments = 20 + 8 + 20 + 4;  // name, list, file tag
  const Case cases[] = {
      {"script offset wrapping around",
       [] {
         std::vector<std::uint8_t> bytes = worked_example().build();
         put_word(bytes, kScriptOffsetField, 0xFFFFFFFEu);
         return bytes;
       }},
      {"string table past the end",
       [] {
         std::vector<std::uint8_t> bytes = worked_example().build();
         put_word(bytes, kStringTableOffsetField, 0xFFFFFFF0u);
         return bytes;
       }},
      {"text reference past the strings",
       [] {
         writer::PackageBuilder b;
         b.name("Demo");
         b.command(kTagText, {100000});
         return b.build();
       }},
      {"string length running past the end",
       [] {
         writer::PackageBuilder b;
         b.name("abc");
         b.command(kTagText, {3});  // the "c", 99, taken as a length byte
         return b.build();
       }},
      {"dest reference wrapping around",
       [] {
         writer::PackageBuilder b;
         b.name("Demo");
         b.command(kTagDest, {0xFFFFFFFFu, 0});
         return b.build();
       }},
      {"list directory past the strings",
       [] {
         writer::PackageBuilder b;
         b.name("Demo");
         b.command(kTagList, {5000, 0, 0, 0});
         return b.build();
       }},
      {"arguments past the end",
       [] {
         std::vector<std::uint8_t> bytes = worked_example().build();
         bytes.resize(28);  // the string table moves onto "name"'s argument
         put_word(bytes, kStringTableOffsetField, 24);
         put_word(bytes, 20, kTagFile);
         return bytes;
       }},
      {"script running off the end",
       [] {
         std::vector<std::uint8_t> bytes = worked_example().build();
         put_word(bytes, kScriptOffsetField, static_cast<std::uint32_t>(bytes.size()));
         return bytes;
       }},
      {"data block past the end",
       with_file([](std::vector<std::uint8_t>& bytes) { put_word(bytes, kFileArguments, 0xFFFFFFFEu); })},
      {"file size past the end",
       with_file([](std::vector<std::uint8_t>& bytes) { put_word(bytes, kFileArguments + 4, 0x7FFFFFFFu); })},
      {"file name past the strings", with_file([](std::vector<std::uint8_t>& bytes) {
         put_word(bytes, word_of(bytes, kFileArguments), 0x10000u);
       })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expect_refused(c.make());
  }
}

TEST(PackageLoading, UnknownTagsAndGroupStopTheBoundsWalkAndTheScript) {
  // What follows an unknown tag or "grou" is neither run nor checked.
  struct Case {
    std::uint32_t tag;
    const char* message;
  };
  const Case cases[] = {
      {0x777A7978u, "Command not found: 777A7978"},  // the bytes 78 79 7A 77
      {kHeadTag, "Command not found: 64616568"},
      {make_tag("File"), "Command not found: 656C6946"},
      {make_tag("nam "), "Command not found: 206D616E"},
      {make_tag("zzzz"), "Command not found: 7A7A7A7A"},
      {kTagGroup, "Not finished: 'group'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Session session;
    session.wizard.click(101);
    writer::PackageBuilder b;
    b.name("Demo");
    b.command(c.tag, {});
    b.text("never shown");
    b.command(kTagText, {0xFFFFFF00u});
    ScriptEnd end = session.run(b);
    expect_error_state(session.wizard, end, c.message);
    EXPECT_EQ(session.wizard.control(0).text, "Demo");
    EXPECT_TRUE(session.wizard.calls_starting("text 210 never").empty());
  }
}

TEST(PackageLoading, SecondTextShowsWithTheClosingTextUnlessAPageClearsItBeforeTheEndMarker) {
  for (bool page_then_end_marker : {false, true}) {
    SCOPED_TRACE(page_then_end_marker);
    Session session;
    session.wizard.click(101);
    writer::PackageBuilder b;
    b.text("Hello");
    b.text2("Second");
    if (page_then_end_marker) {
      b.page(kPageNoBack);  // and no done: the end marker finishes with "Done."
      session.wizard.click(101);
    } else {
      b.done("closing");
    }
    ScriptEnd end = session.run(b);
    expect_finished(session.wizard, end, page_then_end_marker ? "Done." : "closing");
    EXPECT_EQ(session.wizard.control(211).visible, !page_then_end_marker);
    EXPECT_EQ(session.wizard.control(211).text, "Second");
  }
}

TEST(PackageLoading, GroupStopsWithNotFinished) {
  Session session;
  session.wizard.click(101);
  writer::PackageBuilder b;
  b.text("Hello");
  b.group();
  b.done("never");
  ScriptEnd end = session.run(b);
  expect_error_state(session.wizard, end, "Not finished: 'group'");
}

}  // namespace
}  // namespace mivora::testing
